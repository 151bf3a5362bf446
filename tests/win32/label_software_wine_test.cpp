// The label software's selection file read through the Win32 layer while another handle holds
// it: the program opens it for reading only, so a holder that shares reading alone does not
// stop it, where an open for reading and writing would fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "collectors/printing/label_software.h"
#include "platform/win32/win32_handles.h"
#include "support/test_machine.h"
#include "win32_files_fixture.h"

namespace kdx::test {
namespace {

using Lines = std::vector<std::string>;

constexpr char kVersion4Key[] = "SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\4.0";
constexpr char kSelectionFile[] = "C:\\KDXTEST\\KDX4\\kdxwin.kdx";

/// The version 4 program key, pointing at C:\KDXTEST\KDX4, for the length of a test.
class Version4Key {
 public:
  Version4Key() {
    Delete();
    testing::UniqueKey key;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kVersion4Key) + "\\PROGRAM").c_str(), 0,
                      nullptr, 0, KEY_WRITE, nullptr, key.Receive(), nullptr);
    Set(key.Get(), "Program", "C:\\KDXTEST\\KDX4\\KDXWIN.EXE");
    Set(key.Get(), "AppDir", "C:\\KDXTEST\\KDX4\\");
  }
  ~Version4Key() { Delete(); }
  Version4Key(const Version4Key&) = delete;
  Version4Key& operator=(const Version4Key&) = delete;

 private:
  static void Set(HKEY key, const char* name, const std::string& text) {
    ::RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size()) + 1);
  }
  static void Delete() { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kVersion4Key); }
};

/// A selection file with all three slots filled.
std::string SelectionFile() {
  std::string bytes(7024, '\0');
  bytes.replace(2056, 9, "Lager.lbl");
  bytes.replace(3952, 6, "USB001");
  bytes.replace(6768, 12, "Dexta KD-410");
  return bytes;
}

/// The first count rows of the version 4 section after its heading.
Lines Version4Rows(const RunContext& context, std::size_t count) {
  const Lines lines = TableLines(context);
  const auto heading = std::find(lines.begin(), lines.end(), "Software V4\t");
  if (lines.end() - heading <= static_cast<long>(count)) return {};
  return Lines(heading + 1, heading + 1 + static_cast<long>(count));
}

win32::UniqueHandle OpenForReadingAndWriting() {
  return win32::UniqueHandle(::CreateFileA(kSelectionFile, GENERIC_READ | GENERIC_WRITE,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

TEST(Win32LabelSoftware, SelectionFileHeldByAnotherHandle) {
  const struct {
    const char* holder;
    DWORD holderSharing;
    Lines selection;
  } cases[] = {
      // reading shared: a read-write open fails, the program's read-only open does not
      {"sharing reading",
       FILE_SHARE_READ,
       {"gew\xE4hlter Port\tUSB001", "gew\xE4hlter Drucker\tDexta KD-410",
        "Bibliothek\tLager.lbl"}},
      // nothing shared: no open gets in
      {"sharing nothing", 0, {"FEHLER\tGetActualPrinter failed"}},
  };
  for (const auto& c : cases) {
    Win32FilesFixture files;
    files.Put("KDX4\\kdxwin.kdx", SelectionFile());
    const Version4Key key;
    const win32::UniqueHandle holder(::CreateFileA(kSelectionFile, GENERIC_READ, c.holderSharing,
                                                   nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
    ASSERT_TRUE(holder.Valid()) << c.holder;
    {
      const win32::UniqueHandle readWrite = OpenForReadingAndWriting();
      EXPECT_FALSE(readWrite.Valid()) << c.holder;
      EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION)) << c.holder;
    }

    RecordingFrontEnd ui;
    RunContext context(files.Machine(), ui);
    context.windowsDir = "C:\\windows\\";
    TRegistry registry(context.platform.Registry());
    registry.SelectRoot(kHKeyLocalMachine);
    CollectLabelSoftware(context, registry);
    Lines expected = {"Program\tC:\\KDXTEST\\KDX4\\KDXWIN.EXE", "AppDir\tC:\\KDXTEST\\KDX4"};
    expected.insert(expected.end(), c.selection.begin(), c.selection.end());
    expected.push_back("INI-Datei C:\\KDXTEST\\KDX4\\kdxwin.ini\tnicht gefunden");
    EXPECT_EQ(Version4Rows(context, expected.size()), expected) << c.holder;
  }
}

}  // namespace
}  // namespace kdx::test
