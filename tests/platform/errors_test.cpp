#include "platform/errors.h"

#include <gtest/gtest.h>

#include "platform/error_codes.h"
#include "platform/system_error_text.h"

namespace kdx {
namespace {

TEST(IoErrorText, TextsByCode) {
  EXPECT_EQ(IoErrorText(2), "Datei nicht gefunden");
  EXPECT_EQ(IoErrorText(3), "Ung\xFCltiger Dateiname");
  EXPECT_EQ(IoErrorText(4),
            "Zu viele ge\xF6"
            "ffnete Dateien");
  EXPECT_EQ(IoErrorText(5), "Dateizugriff verweigert");
  EXPECT_EQ(IoErrorText(100), "Versuch hinter dem Dateiende zu lesen");
  EXPECT_EQ(IoErrorText(101), "Zu wenig Speicherplatz");
  EXPECT_EQ(IoErrorText(106), "Ung\xFCltige numerische Eingabe");
  EXPECT_EQ(IoErrorText(32), "E/A-Fehler 32");
}

TEST(IoCodeForWin32Error, MapsWhatTheUserMustFixAndKeepsTheRest) {
  // a full volume, whichever call noticed it
  EXPECT_EQ(IoCodeForWin32Error(kErrorDiskFull), kIoDiskFull);
  EXPECT_EQ(IoCodeForWin32Error(kErrorHandleDiskFull), kIoDiskFull);
  // a malformed name
  EXPECT_EQ(IoCodeForWin32Error(kErrorInvalidName), 3);
  EXPECT_EQ(IoCodeForWin32Error(kErrorBadPathname), 3);
  // everything else as it is
  EXPECT_EQ(IoCodeForWin32Error(kErrorAccessDenied), 5);
  EXPECT_EQ(IoCodeForWin32Error(32), 32);
}

TEST(CheckFileCall, RaisesTheIoErrorOfAFailedCall) {
  EXPECT_NO_THROW(CheckFileCall(kErrorSuccess));
  try {
    CheckFileCall(kErrorDiskFull);
    FAIL() << "no error raised";
  } catch (const EInOutError& error) {
    EXPECT_EQ(error.Code(), kIoDiskFull);
    EXPECT_STREQ(error.what(), "Zu wenig Speicherplatz");
  }
}

/// Message texts as a system hands them out, by code.
class MessageTable : public SystemFacts {
 public:
  std::string FormatMessageA(std::uint32_t code) override {
    switch (code) {
      case 2:
        return "Das System kann die angegebene Datei nicht finden.\r\n";
      case 5:
        return "Zugriff verweigert\r\n";
      case 87:
        return "Falscher Parameter. \r\n\r\n";
      case 1:
        return "Ung\xFCltige Funktion. z.B. so.\t\r\n";
      case 3:
        return "...";
      default:
        return "";
    }
  }
  std::optional<std::string> GetWindowsDirectoryA() override { return {}; }
  std::optional<std::string> GetSystemDirectoryA() override { return {}; }
  std::optional<OsVersionInfo> GetVersionExA() override { return {}; }
  SystemTime GetLocalTime() override { return {}; }
  LocaleFormats GetLocaleFormats() override { return {}; }
  std::optional<std::string> GetUserNameA() override { return {}; }
  std::unique_ptr<AccessToken> OpenThreadToken(long&) override { return nullptr; }
  std::unique_ptr<AccessToken> OpenProcessToken(long&) override { return nullptr; }
  std::optional<std::string> GetEnvironmentVariableA(const std::string&) override { return {}; }
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string&) override { return {}; }
  MemoryStatus GlobalMemoryStatus() override { return {}; }
  std::uint32_t GetLogicalDrives() override { return 0; }
  std::uint32_t GetDriveTypeA(const std::string&) override { return 0; }
  bool HasGetDiskFreeSpaceExA() override { return false; }
  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string&) override { return {}; }
  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string&) override { return {}; }
  std::uint32_t SetErrorMode(std::uint32_t) override { return 0; }
};

TEST(SystemErrorText, DropsTrailingFullStopsBlanksAndLineBreaks) {
  MessageTable system;
  // the line break after the text
  EXPECT_EQ(SystemErrorText(system, 5), "Zugriff verweigert");
  // a full stop before it
  EXPECT_EQ(SystemErrorText(system, 2), "Das System kann die angegebene Datei nicht finden");
  // full stops, blanks and line breaks mixed
  EXPECT_EQ(SystemErrorText(system, 87), "Falscher Parameter");
  // full stops inside stay; a tab counts as a control character
  EXPECT_EQ(SystemErrorText(system, 1), "Ung\xFCltige Funktion. z.B. so");
  // nothing but full stops, and no text at all
  EXPECT_EQ(SystemErrorText(system, 3), "");
  EXPECT_EQ(SystemErrorText(system, 4711), "");
}

}  // namespace
}  // namespace kdx
