// ReadShellLink against the shell's IShellLinkA, driven as the program drives it: every
// corpus shortcut, shortcuts the shell writes itself, and damaged ones must read alike.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "platform/formats/shell_link.h"
#include "support/test_data.h"
#include "win32_test_support.h"

// After windows.h, which win32_test_support.h includes.
#include <objbase.h>
#include <objidl.h>
#include <shlguid.h>
#include <shobjidl.h>

namespace kdx {
namespace {

using testing::RunningUnderWine;
using testing::TempFolder;

constexpr int kTextBuffer = 260;

template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

/// Holds one COM interface pointer and releases it once.
template <typename Interface>
class ComPointer {
 public:
  ComPointer() = default;
  ~ComPointer() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComPointer(const ComPointer&) = delete;
  ComPointer& operator=(const ComPointer&) = delete;

  Interface* operator->() const { return pointer_; }
  void** Receive() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

/// COM for the test's thread, as the program initialises it.
class ComScope {
 public:
  ComScope() { ::CoInitialize(nullptr); }
  ~ComScope() { ::CoUninitialize(); }
  ComScope(const ComScope&) = delete;
  ComScope& operator=(const ComScope&) = delete;
};

// A text from a 260-character buffer that the call may leave unterminated (Wine does).
std::string BufferText(const char* buffer) { return {buffer, ::strnlen(buffer, kTextBuffer)}; }

template <typename Call>
std::string ShellText(Call&& call) {
  char buffer[kTextBuffer + 1];
  std::memset(buffer, 'Z', sizeof buffer);
  const HRESULT result = call(buffer);
  EXPECT_GE(result, 0) << std::hex << result;
  return BufferText(buffer);
}

/// The four texts as the shell gives them for the shortcut file at path; nothing when the
/// object cannot be made or Load fails.
std::optional<ShellLinkTexts> ReadWithShell(const std::string& path) {
  ComPointer<IShellLinkA> link;
  ComPointer<IPersistFile> file;
  if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                link.Receive())) ||
      FAILED(link->QueryInterface(IID_IPersistFile, file.Receive()))) {
    return std::nullopt;
  }
  wchar_t widePath[MAX_PATH];
  ::MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, widePath, MAX_PATH);
  if (FAILED(file->Load(widePath, STGM_READ))) return std::nullopt;
  WIN32_FIND_DATAA found;
  ShellLinkTexts texts;
  texts.path =
      ShellText([&](char* b) { return link->GetPath(b, kTextBuffer, &found, SLGP_UNCPRIORITY); });
  texts.description = ShellText([&](char* b) { return link->GetDescription(b, kTextBuffer); });
  texts.workingDirectory =
      ShellText([&](char* b) { return link->GetWorkingDirectory(b, kTextBuffer); });
  texts.arguments = ShellText([&](char* b) { return link->GetArguments(b, kTextBuffer); });
  return texts;
}

std::string CorpusLink(const std::string& file) {
  return test::TestDataFile(std::string("lnk/").append(file).append(".lnk"));
}

std::string ExpandWithSystem(const std::string& text) {
  char expanded[32768];
  const DWORD size = ::ExpandEnvironmentStringsA(text.c_str(), expanded, sizeof expanded);
  return size == 0 ? text : std::string(expanded);
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::string ReadFileBytes(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  std::string bytes(65536, '\0');
  DWORD read = 0;
  ::ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  ::CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

class ShellLinkDifferential : public ::testing::Test {
 protected:
  /// Both readings of these bytes; the path text is compared only when comparePath.
  void Compare(const std::string& name, const std::string& bytes, bool comparePath = true) {
    const std::string path = folder_.Path() + name + ".lnk";
    WriteFileBytes(path, bytes);
    const auto shell = ReadWithShell(path);
    const auto reader = ReadShellLink(bytes, ExpandWithSystem);
    ASSERT_EQ(shell.has_value(), reader.has_value()) << name;
    if (!shell) return;
    if (comparePath) {
      EXPECT_EQ(shell->path, reader->path) << name;
    }
    EXPECT_EQ(shell->description, reader->description) << name;
    EXPECT_EQ(shell->workingDirectory, reader->workingDirectory) << name;
    EXPECT_EQ(shell->arguments, reader->arguments) << name;
  }

  /// The bytes of a shortcut the shell saves after the four Set calls (null: not called).
  std::string SavedByShell(const char* target, const char* description, const char* directory,
                           const char* arguments) {
    ComPointer<IShellLinkA> link;
    ComPointer<IPersistFile> file;
    EXPECT_EQ(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                 link.Receive()),
              S_OK);
    if (target != nullptr) link->SetPath(target);
    if (description != nullptr) link->SetDescription(description);
    if (directory != nullptr) link->SetWorkingDirectory(directory);
    if (arguments != nullptr) link->SetArguments(arguments);
    EXPECT_EQ(link->QueryInterface(IID_IPersistFile, file.Receive()), S_OK);
    wchar_t widePath[MAX_PATH];
    ::MultiByteToWideChar(CP_ACP, 0, (folder_.Path() + "saved.lnk").c_str(), -1, widePath,
                          MAX_PATH);
    EXPECT_EQ(file->Save(widePath, TRUE), S_OK);
    return ReadFileBytes(folder_.Path() + "saved.lnk");
  }

  ComScope com_;
  TempFolder folder_{"shell-link-differential"};
};

// Every corpus shortcut whose target comes from its LinkInfo reads alike.
TEST_F(ShellLinkDifferential, CorpusShortcuts) {
  for (const std::string file :
       {"lnkparse3_microsoft_example", "lnkparser_other_non_unicode_strings",
        "lnkparser_win7_manual", "lnkparser_win7_manual_unicode",
        "lnkparser_win7_windows_generated", "lnkparser_win7_windows_generated_unicode",
        "lnkparser_ws19_Suessspeisen", "lnkparser_ws19_Suessspeisen_mit_Aepfeln",
        "plaso_NeroInfoTool", "plaso_unpaired_surrogate"}) {
    Compare(file, CorpusLink(file));
  }
}

// The corpus shortcuts whose target is an environment path or a share read alike.
TEST_F(ShellLinkDifferential, CorpusShortcutsWithEnvironmentOrShareTarget) {
  const bool wine = RunningUnderWine();
  for (const std::string file :
       {"lnkparser_win7_network_share", "lnkparser_win7_network_share_unicode", "plaso_example"}) {
    Compare(file, CorpusLink(file), !wine);
  }
  if (wine) {
    GTEST_SKIP() << "targets unchecked: Wine's shell link reads neither the "
                    "EnvironmentVariableDataBlock nor a network LinkInfo, and falls back to "
                    "the relative path (dlls/shell32/shelllink.c)";
  }
}

// Without LinkInfo the target comes from the ID list.
TEST_F(ShellLinkDifferential, IdListOnlyShortcuts) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine's shell link takes no target from the ID list of a loaded shortcut";
  }
  for (const std::string file :
       {"lnkparse3_microsoft_example", "plaso_NeroInfoTool", "lnkparser_ws19_Suessspeisen"}) {
    Compare(file, test::WithoutLinkInfo(CorpusLink(file)));
  }
}

// Shortcuts the shell writes: German umlauts, an empty one, quotes in the arguments.
TEST_F(ShellLinkDifferential, ShortcutsSavedByShell) {
  Compare("umlauts", SavedByShell("C:\\Programme\\M\xFCller\\Etiketten \xC4nderung.exe",
                                  "Verkn\xFCpfung f\xFCr M\xFCller", "C:\\Programme\\M\xFCller",
                                  "/x \xC4\xD6\xDC \xE4\xF6\xFC\xDF"));
  Compare("empty", SavedByShell(nullptr, nullptr, nullptr, nullptr));
  Compare("quoted", SavedByShell("C:\\Programme\\Dexta Label\\DextaLabel.exe", "",
                                 "C:\\Programme\\Dexta Label\\", "\"C:\\a b\\c.dlb\" /p"));
}

// A description of 300 characters comes out cut to 259 in the 260-character buffer.
TEST_F(ShellLinkDifferential, LongDescription) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine's IShellLinkA converts with WideCharToMultiByte and leaves a text "
                    "longer than the buffer unterminated; Windows cuts it to 259 characters";
  }
  Compare("long", SavedByShell("C:\\x.exe", std::string(300, 'd').c_str(), nullptr, nullptr));
}

// Damaged shortcuts fail to load both ways; damage in the extra data does not matter.
TEST_F(ShellLinkDifferential, DamagedShortcuts) {
  const std::string link = test::TestDataFile("lnk/lnkparse3_microsoft_example.lnk");
  for (const std::size_t cut : {0, 10, 75, 76, 77, 78, 266, 267, 326, 358, 359, 400}) {
    Compare(std::string("cut").append(std::to_string(cut)), link.substr(0, cut));
  }
  std::string badSize = link;
  badSize[0] = 0x4D;
  Compare("bad_size", badSize);
  std::string badClass = link;
  badClass[4] ^= 1;
  Compare("bad_class", badClass);
  Compare("not_a_shortcut", "[s]\r\nk=v\r\n" + std::string(100, ' '));
}

// 8-bit and UTF-16 texts, best fit for characters 1252 lacks, a NUL inside a text.
TEST_F(ShellLinkDifferential, StringData) {
  Compare("ansi",
          test::ShortcutWith(0x04 | 0x10 | 0x20, Bytes("\x04\0D\xFC\x80x\x03\0C:\\\x05\0a\0bcd")));
  Compare("unicode", test::ShortcutWith(0x84 | 0x20, Bytes("\x05\0A\0\x00\x01\x13\x20\x00\x4Ez\0"
                                                           "\x03\0a\0\0\0b\0")));
}

}  // namespace
}  // namespace kdx
