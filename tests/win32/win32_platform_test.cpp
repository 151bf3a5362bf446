// The system, security, environment and file operations of Win32Platform under Wine.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "platform/win32/win32_platform.h"
#include "win32_test_support.h"

namespace kdx {
namespace {

using testing::TempFolder;

constexpr long kSentinelError = static_cast<long>(0xdeadbeef);

void WriteTestFile(const std::string& path, const std::string& bytes) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::string ReadTestFile(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string bytes(4096, '\0');
  DWORD read = 0;
  ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  ::CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

void SetLastWriteYear(const std::string& path, WORD year) {
  SYSTEMTIME time{};
  time.wYear = year;
  time.wMonth = 6;
  time.wDay = 15;
  time.wHour = 12;
  FILETIME fileTime;
  ::SystemTimeToFileTime(&time, &fileTime);
  HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  ::SetFileTime(file, nullptr, nullptr, &fileTime);
  ::CloseHandle(file);
}

// --- System facts ---

// Both folders come without trailing backslash and the system folder lies in the Windows one.
TEST(Win32PlatformFolders, FoldersHaveNoTrailingBackslash) {
  Win32Platform platform;
  const auto windows = platform.System().GetWindowsDirectoryA();
  const auto system = platform.System().GetSystemDirectoryA();
  ASSERT_TRUE(windows && system);
  EXPECT_NE(windows->back(), '\\');
  EXPECT_EQ(system->rfind(*windows + "\\", 0), 0u) << *system;
}

// GetVersionExA accepts the 148-byte record; the service pack text holds no NUL.
TEST(Win32PlatformVersion, VersionRecordIsFilled) {
  Win32Platform platform;
  const auto version = platform.System().GetVersionExA();
  ASSERT_TRUE(version);
  EXPECT_NE(version->majorVersion, 0u);
  EXPECT_EQ(version->servicePack.find('\0'), std::string::npos);
}

// The user name is known and fits the 256-byte buffer.
TEST(Win32PlatformUser, UserNameIsRead) {
  Win32Platform platform;
  const auto name = platform.System().GetUserNameA();
  ASSERT_TRUE(name);
  EXPECT_FALSE(name->empty());
  EXPECT_LT(name->size(), 256u);
}

// The main thread does not impersonate: its token open fails with ERROR_NO_TOKEN.
TEST(Win32PlatformTokens, ThreadWithoutTokenGivesNoToken) {
  Win32Platform platform;
  long error = kSentinelError;
  EXPECT_EQ(platform.System().OpenThreadToken(error), nullptr);
  EXPECT_EQ(error, kErrorNoToken);
}

// The process token lists the built-in Administrators group (S-1-5-32-544) among its groups.
TEST(Win32PlatformTokens, ProcessTokenGroupsHoldAdministrators) {
  Win32Platform platform;
  long error = kSentinelError;
  const auto token = platform.System().OpenProcessToken(error);
  ASSERT_NE(token, nullptr);
  EXPECT_EQ(error, kErrorSuccess);
  const auto groups = token->Groups(1024);
  ASSERT_TRUE(groups);
  // Wine runs every program as a member of Administrators; a limited Windows user would not be.
  const Sid administrators{5, {32, 544}};
  EXPECT_NE(std::find(groups->begin(), groups->end(), administrators), groups->end());
}

// A group list that does not fit the buffer gives no groups at all.
TEST(Win32PlatformTokens, GroupsThatDoNotFitGiveNothing) {
  Win32Platform platform;
  long error = kSentinelError;
  const auto token = platform.System().OpenProcessToken(error);
  ASSERT_NE(token, nullptr);
  EXPECT_FALSE(token->Groups(16));
}

// --- Environment ---

// A set variable reads back byte for byte; an unset one reads as nothing.
TEST(Win32PlatformEnvironment, VariableValues) {
  Win32Platform platform;
  ::SetEnvironmentVariableA("KDX_TEST_VALUE", "Größe");
  EXPECT_EQ(platform.System().GetEnvironmentVariableA("KDX_TEST_VALUE"), "Größe");
  EXPECT_EQ(platform.System().GetEnvironmentVariableA("KDX_TEST_NEVER_SET"), std::nullopt);
}

// References to set variables expand; unknown references stay as written.
TEST(Win32PlatformEnvironment, Expansion) {
  Win32Platform platform;
  ::SetEnvironmentVariableA("KDX_TEST_DIR", "C:\\Daten");
  EXPECT_EQ(platform.System().ExpandEnvironmentStringsA("%KDX_TEST_DIR%\\a;%KDX_TEST_NEVER_SET%"),
            "C:\\Daten\\a;%KDX_TEST_NEVER_SET%");
}

// A 30000-character value comes back whole through both calls.
TEST(Win32PlatformEnvironment, LongValuesComeBackWhole) {
  Win32Platform platform;
  const std::string value(30000, 'x');
  ::SetEnvironmentVariableA("KDX_TEST_LONG", value.c_str());
  EXPECT_EQ(platform.System().GetEnvironmentVariableA("KDX_TEST_LONG"), value);
  EXPECT_EQ(platform.System().ExpandEnvironmentStringsA("%KDX_TEST_LONG%"), value);
}

// --- Message texts ---

// A known code gives the system's raw text with its line break; an unknown code gives none.
TEST(Win32PlatformMessages, SystemMessageText) {
  Win32Platform platform;
  const std::string text = platform.System().FormatMessageA(5);
  ASSERT_GE(text.size(), 3u);
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  EXPECT_EQ(platform.System().FormatMessageA(0x2FFFFFFF), "");
}

// --- File existence ---

class Win32PlatformFiles : public ::testing::Test {
 protected:
  Win32PlatformFiles() : folder_(::testing::UnitTest::GetInstance()->current_test_info()->name()) {}
  Win32Platform platform_;
  TempFolder folder_;
};

// A plain file exists; a folder, a missing file and a wildcard never do.
TEST_F(Win32PlatformFiles, ExistsOnlyForFiles) {
  WriteTestFile(folder_.Path() + "report.txt", "x");
  ::CreateDirectoryA((folder_.Path() + "sub").c_str(), nullptr);
  EXPECT_TRUE(platform_.Files().FileExists(folder_.Path() + "report.txt"));
  EXPECT_FALSE(platform_.Files().FileExists(folder_.Path() + "sub"));
  EXPECT_FALSE(platform_.Files().FileExists(folder_.Path() + "absent.txt"));
  EXPECT_FALSE(platform_.Files().FileExists(folder_.Path() + "*.txt"));
}

// Only last-write times an MS-DOS date can hold (1980 to 2107) count as existing.
TEST_F(Win32PlatformFiles, ExistsOnlyWithDosDate) {
  const std::string path = folder_.Path() + "dated.txt";
  WriteTestFile(path, "x");
  SetLastWriteYear(path, 1980);
  EXPECT_TRUE(platform_.Files().FileExists(path));
  SetLastWriteYear(path, 2107);
  EXPECT_TRUE(platform_.Files().FileExists(path));
  SetLastWriteYear(path, 1979);
  EXPECT_FALSE(platform_.Files().FileExists(path));
  SetLastWriteYear(path, 2108);
  EXPECT_FALSE(platform_.Files().FileExists(path));
}

// --- Input and output files ---

// Bytes written come back unchanged; an existing file is replaced, not appended to.
TEST_F(Win32PlatformFiles, OutputFileReplacesAndWritesBytes) {
  const std::string path = folder_.Path() + "out.txt";
  WriteTestFile(path, "old contents that are longer");
  std::unique_ptr<OutputFile> file;
  ASSERT_EQ(platform_.Files().CreateOutputFile(path, file), kErrorSuccess);
  EXPECT_EQ(file->Write("Schlüssel\tWert\r\n", 16), kErrorSuccess);
  EXPECT_EQ(file->Close(), kErrorSuccess);
  EXPECT_EQ(ReadTestFile(path), "Schlüssel\tWert\r\n");
}

// Reading returns the bytes in pieces and 0 at the end.
TEST_F(Win32PlatformFiles, InputFileReadsToTheEnd) {
  const std::string path = folder_.Path() + "in.log";
  WriteTestFile(path, "abc\x1a\r\n");
  std::unique_ptr<InputFile> file;
  ASSERT_EQ(platform_.Files().OpenInputFile(path, file), kErrorSuccess);
  char buffer[4];
  std::size_t count = 99;
  ASSERT_EQ(file->Read(buffer, 4, count), kErrorSuccess);
  EXPECT_EQ(std::string(buffer, count), "abc\x1a");
  ASSERT_EQ(file->Read(buffer, 4, count), kErrorSuccess);
  EXPECT_EQ(count, 2u);
  ASSERT_EQ(file->Read(buffer, 4, count), kErrorSuccess);
  EXPECT_EQ(count, 0u);
}

// A log file still open for writing by its owner can be read.
TEST_F(Win32PlatformFiles, InputFileOpenForWritingIsReadable) {
  const std::string path = folder_.Path() + "busy.log";
  HANDLE writer = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  std::unique_ptr<InputFile> file;
  EXPECT_EQ(platform_.Files().OpenInputFile(path, file), kErrorSuccess);
  ::CloseHandle(writer);
}

// A missing input file is error 2, a missing folder 3.
TEST_F(Win32PlatformFiles, InputFileErrors) {
  std::unique_ptr<InputFile> file;
  EXPECT_EQ(platform_.Files().OpenInputFile(folder_.Path() + "absent.log", file),
            kErrorFileNotFound);
  EXPECT_EQ(platform_.Files().OpenInputFile(folder_.Path() + "no\\absent.log", file),
            kErrorPathNotFound);
  EXPECT_EQ(file, nullptr);
}

// Creating in a missing folder is error 3, over a folder 5, with a malformed name 123.
TEST_F(Win32PlatformFiles, OutputFileErrors) {
  ::CreateDirectoryA((folder_.Path() + "sub").c_str(), nullptr);
  std::unique_ptr<OutputFile> file;
  EXPECT_EQ(platform_.Files().CreateOutputFile(folder_.Path() + "no\\r.txt", file),
            kErrorPathNotFound);
  EXPECT_EQ(platform_.Files().CreateOutputFile(folder_.Path() + "sub", file), kErrorAccessDenied);
  EXPECT_EQ(platform_.Files().CreateOutputFile(folder_.Path() + "a<b>.txt", file),
            kErrorInvalidName);
  EXPECT_EQ(file, nullptr);
}

}  // namespace
}  // namespace kdx
