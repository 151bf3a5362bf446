#include "platform/wow64_view.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

const Wow64View kWindows10(10, 0, "C:\\Windows\\");
const Wow64View kWindows7(6, 1, "C:\\Windows");
const Wow64View kVista(6, 0, "C:\\Windows");
const Wow64View kXp64(5, 2, "C:\\Windows");

TEST(Wow64View, FilesRedirectedExemptOrAsNamed) {
  const struct {
    const Wow64View& view;
    const char* named;
    const char* lies;
  } cases[] = {
      // redirected, whatever the case of the names
      {kWindows10, "C:\\WINDOWS\\SYSTEM32\\kdxmonx.dll", "C:\\WINDOWS\\SysWOW64\\kdxmonx.dll"},
      {kWindows10, "C:\\Windows\\System32\\spooler.dll", "C:\\Windows\\SysWOW64\\spooler.dll"},
      {kWindows10, "C:\\Windows\\regedit.exe", "C:\\Windows\\SysWOW64\\regedit.exe"},
      // exempt: spool (the printer drivers), drivers\etc, ...; driverstore from Windows 7 on
      {kXp64, "C:\\Windows\\System32\\spool\\drivers\\x64",
       "C:\\Windows\\System32\\spool\\drivers\\x64"},
      {kWindows10, "C:\\Windows\\System32\\drivers\\etc", "C:\\Windows\\System32\\drivers\\etc"},
      {kWindows7, "C:\\Windows\\System32\\DriverStore", "C:\\Windows\\System32\\DriverStore"},
      {kVista, "C:\\Windows\\System32\\DriverStore", "C:\\Windows\\SysWOW64\\DriverStore"},
      // Sysnative, the real system folder, from Vista on
      {kVista, "C:\\Windows\\Sysnative\\kdxmonx.dll", "C:\\Windows\\System32\\kdxmonx.dll"},
      {kXp64, "C:\\Windows\\Sysnative\\kdxmonx.dll", "C:\\Windows\\Sysnative\\kdxmonx.dll"},
      // as named elsewhere
      {kWindows10, "C:\\Windows\\SysWOW64\\kdxmonx.dll", "C:\\Windows\\SysWOW64\\kdxmonx.dll"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.view.FilePath(c.named), c.lies) << c.named;
}

TEST(Wow64View, KeysRedirectedSharedOrAsNamed) {
  const struct {
    const Wow64View& view;
    RegKey root;
    const char* named;
    const char* lies;
  } cases[] = {
      // redirected: the 32-bit software's keys; separators as the registry takes them
      {kXp64, kHKeyLocalMachine, "SOFTWARE\\Kelmo Instruments",
       "SOFTWARE\\Wow6432Node\\Kelmo Instruments"},
      {kWindows10, kHKeyLocalMachine, "software\\\\Vedav\\", "software\\Wow6432Node\\Vedav"},
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Wow6432Node\\Vedav",
       "SOFTWARE\\Wow6432Node\\Vedav"},
      // shared always, and from Windows 7 on
      {kXp64, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\X",
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\X"},
      {kWindows7, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
      {kVista, kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
       "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
      // classes keep their 32-bit copies below Classes\Wow6432Node
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Classes\\Applications",
       "SOFTWARE\\Classes\\Applications"},
      {kVista, kHKeyLocalMachine, "SOFTWARE\\Classes\\Applications",
       "SOFTWARE\\Classes\\Wow6432Node\\Applications"},
      {kWindows10, kHKeyLocalMachine, "SOFTWARE\\Classes\\CLSID",
       "SOFTWARE\\Classes\\Wow6432Node\\CLSID"},
      {kWindows10, kHKeyClassesRoot, "Interface", "Wow6432Node\\Interface"},
      // the user's keys are shared
      {kWindows10, kHKeyCurrentUser, "Software\\Vedav", "Software\\Vedav"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.view.KeyPath(c.root, c.named), c.lies) << c.named;
}

TEST(Wow64View, ArchitectureNames) {
  for (const NativeMachine machine :
       {NativeMachine::kNone, NativeMachine::kX64, NativeMachine::kArm64, NativeMachine::kIa64}) {
    EXPECT_EQ(NativeMachineNamed(ArchitectureName(machine)), machine);
  }
}

}  // namespace
}  // namespace kdx
