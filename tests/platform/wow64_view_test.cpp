#include "platform/wow64_view.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

// Windows 10, 7, Vista and XP x64 (5.2), each with its Windows folder in C:\Windows.
const Wow64View kWindows10(10, 0, "C:\\Windows\\");
const Wow64View kWindows7(6, 1, "C:\\Windows");
const Wow64View kVista(6, 0, "C:\\Windows");
const Wow64View kXp64(5, 2, "C:\\WINDOWS");

TEST(Wow64View, FilesGoWhereTheFileSystemRedirectorSendsThem) {
  const struct {
    const Wow64View& view;
    const char* named;
    const char* lies;
  } cases[] = {
      // the system folder and what is below it: SysWOW64, whatever the case of the names
      {kWindows10, "C:\\Windows\\System32", "C:\\Windows\\SysWOW64"},
      {kWindows10, "C:\\WINDOWS\\SYSTEM32\\kdxmonx.dll", "C:\\WINDOWS\\SysWOW64\\kdxmonx.dll"},
      {kWindows10, "c:\\windows\\system32\\drivers\\kdxusb.sys",
       "c:\\windows\\SysWOW64\\drivers\\kdxusb.sys"},
      {kXp64, "C:\\WINDOWS\\system32\\kdxmonx.dll", "C:\\WINDOWS\\SysWOW64\\kdxmonx.dll"},
      // exempt: spool (the printer drivers), catroot, catroot2, drivers\etc, logfiles
      {kWindows10, "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\KDX410.DLL",
       "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\KDX410.DLL"},
      {kXp64, "C:\\WINDOWS\\system32\\spool", "C:\\WINDOWS\\system32\\spool"},
      {kWindows10, "C:\\Windows\\System32\\catroot\\x.cat",
       "C:\\Windows\\System32\\catroot\\x.cat"},
      {kWindows10, "C:\\Windows\\System32\\catroot2", "C:\\Windows\\System32\\catroot2"},
      {kWindows10, "C:\\Windows\\System32\\drivers\\etc\\hosts",
       "C:\\Windows\\System32\\drivers\\etc\\hosts"},
      {kWindows10, "C:\\Windows\\System32\\LogFiles", "C:\\Windows\\System32\\LogFiles"},
      // driverstore only from Windows 7 on
      {kWindows7, "C:\\Windows\\System32\\DriverStore\\FileRepository",
       "C:\\Windows\\System32\\DriverStore\\FileRepository"},
      {kVista, "C:\\Windows\\System32\\DriverStore\\FileRepository",
       "C:\\Windows\\SysWOW64\\DriverStore\\FileRepository"},
      // a name that only begins like an exempt one, or like System32, is no exception
      {kWindows10, "C:\\Windows\\System32\\spooler.dll", "C:\\Windows\\SysWOW64\\spooler.dll"},
      {kWindows10, "C:\\Windows\\System32x\\a.dll", "C:\\Windows\\System32x\\a.dll"},
      // Sysnative: the real system folder, from Vista on; XP x64 has no such alias
      {kWindows10, "C:\\Windows\\Sysnative\\kdxmonx.dll", "C:\\Windows\\System32\\kdxmonx.dll"},
      {kVista, "C:\\Windows\\SYSNATIVE", "C:\\Windows\\System32"},
      {kXp64, "C:\\WINDOWS\\Sysnative\\kdxmonx.dll", "C:\\WINDOWS\\Sysnative\\kdxmonx.dll"},
      // lastgood\system32 and regedit.exe
      {kWindows10, "C:\\Windows\\lastgood\\system32\\a.dll",
       "C:\\Windows\\lastgood\\SysWOW64\\a.dll"},
      {kWindows10, "C:\\Windows\\regedit.exe", "C:\\Windows\\SysWOW64\\regedit.exe"},
      // elsewhere nothing is redirected, SysWOW64 itself included
      {kWindows10, "C:\\Windows\\SysWOW64\\kdxmonx.dll", "C:\\Windows\\SysWOW64\\kdxmonx.dll"},
      {kWindows10, "C:\\Windows\\INF\\kdx410.inf", "C:\\Windows\\INF\\kdx410.inf"},
      {kWindows10, "C:\\Program Files (x86)\\Kelmo", "C:\\Program Files (x86)\\Kelmo"},
      {kWindows10, "D:\\Windows\\System32\\a.dll", "D:\\Windows\\System32\\a.dll"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.view.FilePath(c.named), c.lies) << c.named;
}

TEST(Wow64View, KeysGoWhereTheRegistryRedirectorSendsThem) {
  const struct {
    const Wow64View& view;
    RegKey root;
    const char* named;
    const char* lies;
  } cases[] = {
      // redirected: the label software's keys and most of SOFTWARE
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Kelmo Instruments\\Dexta Label Printer",
       "SOFTWARE\\Wow6432Node\\Kelmo Instruments\\Dexta Label Printer"},
      {kXp64, kHKeyLocalMachine, "SOFTWARE\\Kelmo Instruments",
       "SOFTWARE\\Wow6432Node\\Kelmo Instruments"},
      {kWindows10, kHKeyLocalMachine, "SOFTWARE", "SOFTWARE\\Wow6432Node"},
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs",
       "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs"},
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\App Paths",
       "SOFTWARE\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\App Paths"},
      // separators as the registry takes them: doubled and trailing ones count once
      {kWindows10, kHKeyLocalMachine, "software\\\\Kelmo Instruments\\",
       "software\\Wow6432Node\\Kelmo Instruments"},
      // a path that names Wow6432Node already stays
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Wow6432Node\\Kelmo Instruments",
       "SOFTWARE\\Wow6432Node\\Kelmo Instruments"},
      // shared on every 64-bit Windows
      {kXp64, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports",
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports"},
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\X",
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\X"},
      {kVista, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Driver Signing",
       "SOFTWARE\\Microsoft\\Driver Signing"},
      // shared from Windows 7 on, redirected before
      {kWindows7, kHKeyLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KDX5.EXE",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KDX5.EXE"},
      {kVista, kHKeyLocalMachine,
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KDX5.EXE",
       "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths\\KDX5.EXE"},
      // classes: shared from Windows 7 on but for CLSID and its like, which keep their 32-bit
      // copies below Classes\Wow6432Node; all redirected there before
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Classes\\Applications\\cs.exe",
       "SOFTWARE\\Classes\\Applications\\cs.exe"},
      {kVista, kHKeyLocalMachine, "SOFTWARE\\Classes\\Applications\\cs.exe",
       "SOFTWARE\\Classes\\Wow6432Node\\Applications\\cs.exe"},
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Classes\\CLSID\\{X}",
       "SOFTWARE\\Classes\\Wow6432Node\\CLSID\\{X}"},
      {kVista, kHKeyLocalMachine, "SOFTWARE\\Classes\\HCP", "SOFTWARE\\Classes\\HCP"},
      {kWindows10, kHKeyCurrentUser, "Software\\Classes\\Interface\\{Y}",
       "Software\\Classes\\Wow6432Node\\Interface\\{Y}"},
      {kWindows10, kHKeyClassesRoot, "CLSID\\{X}", "Wow6432Node\\CLSID\\{X}"},
      {kWindows10, kHKeyUsers, "S-1-5-21-1\\Software\\Classes\\CLSID",
       "S-1-5-21-1\\Software\\Classes\\Wow6432Node\\CLSID"},
      {kWindows10, kHKeyUsers, "S-1-5-21-1_Classes\\CLSID",
       "S-1-5-21-1_Classes\\Wow6432Node\\CLSID"},
      // the user's keys, SYSTEM and the hardware are shared
      {kWindows10, kHKeyCurrentUser, "Software\\Kelmo Instruments USA Inc.",
       "Software\\Kelmo Instruments USA Inc."},
      {kWindows10, kHKeyUsers, ".DEFAULT\\Software\\Vedav", ".DEFAULT\\Software\\Vedav"},
      {kWindows10, kHKeyLocalMachine,
       "System\\CurrentControlSet\\control\\Print\\Environments\\Windows x64",
       "System\\CurrentControlSet\\control\\Print\\Environments\\Windows x64"},
      {kWindows10, kHKeyCurrentConfig, "Software\\Fonts", "Software\\Fonts"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.view.KeyPath(c.root, c.named), c.lies) << c.named;
}

TEST(Wow64View, ArchitecturesHaveOneNameEach) {
  for (const NativeMachine machine :
       {NativeMachine::kNone, NativeMachine::kX64, NativeMachine::kArm64, NativeMachine::kIa64}) {
    EXPECT_EQ(NativeMachineNamed(ArchitectureName(machine)), machine);
  }
  EXPECT_EQ(ArchitectureName(NativeMachine::kArm64), "arm64");
  EXPECT_EQ(NativeMachineNamed("X64"), std::nullopt);
  EXPECT_EQ(NativeMachineNamed("amd64"), std::nullopt);
}

}  // namespace
}  // namespace kdx
