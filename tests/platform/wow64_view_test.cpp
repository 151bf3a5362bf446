#include "platform/wow64_view.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

/// The view of Windows major.minor (10.0, 6.1 Windows 7, 6.0 Vista, 5.2 XP x64) in C:\Windows.
Wow64View View(std::uint32_t major, std::uint32_t minor) { return {major, minor, "C:\\Windows\\"}; }

TEST(Wow64View, FilesRedirectedExemptOrAsNamed) {
  const struct {
    Wow64View view;
    const char* named;
    const char* lies;
  } cases[] = {
      // redirected, whatever the case of the names
      {View(10, 0), "C:\\WINDOWS\\SYSTEM32\\kdxmonx.dll", "C:\\WINDOWS\\SysWOW64\\kdxmonx.dll"},
      {View(10, 0), "C:\\Windows\\System32\\spooler.dll", "C:\\Windows\\SysWOW64\\spooler.dll"},
      {View(10, 0), "C:\\Windows\\regedit.exe", "C:\\Windows\\SysWOW64\\regedit.exe"},
      // exempt: spool (the printer drivers), drivers\etc, ...; driverstore from Windows 7 on
      {View(5, 2), "C:\\Windows\\System32\\spool\\drivers\\x64",
       "C:\\Windows\\System32\\spool\\drivers\\x64"},
      {View(10, 0), "C:\\Windows\\System32\\drivers\\etc", "C:\\Windows\\System32\\drivers\\etc"},
      {View(6, 1), "C:\\Windows\\System32\\DriverStore", "C:\\Windows\\System32\\DriverStore"},
      {View(6, 0), "C:\\Windows\\System32\\DriverStore", "C:\\Windows\\SysWOW64\\DriverStore"},
      // Sysnative, the real system folder, from Vista on
      {View(6, 0), "C:\\Windows\\Sysnative\\kdxmonx.dll", "C:\\Windows\\System32\\kdxmonx.dll"},
      {View(5, 2), "C:\\Windows\\Sysnative\\kdxmonx.dll", "C:\\Windows\\Sysnative\\kdxmonx.dll"},
      // as named elsewhere
      {View(10, 0), "C:\\Windows\\SysWOW64\\kdxmonx.dll", "C:\\Windows\\SysWOW64\\kdxmonx.dll"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.view.FilePath(c.named), c.lies) << c.named;
}

TEST(Wow64View, KeysRedirectedSharedOrAsNamed) {
  const struct {
    Wow64View view;
    RegKey root;
    const char* named;
    const char* lies;
  } cases[] = {
      // redirected: the 32-bit software's keys; separators as the registry takes them
      {View(5, 2), kHKeyLocalMachine, "SOFTWARE\\Kelmo Instruments",
       "SOFTWARE\\Wow6432Node\\Kelmo Instruments"},
      {View(10, 0), kHKeyLocalMachine, "software\\\\Vedav\\", "software\\Wow6432Node\\Vedav"},
      {View(10, 0), kHKeyLocalMachine, "SOFTWARE\\Wow6432Node\\Vedav",
       "SOFTWARE\\Wow6432Node\\Vedav"},
      // shared always, and from Windows 7 on
      {View(5, 2), kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\X",
       "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Print\\X"},
      {View(6, 1), kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
       "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
      {View(6, 0), kHKeyLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
       "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\App Paths"},
      // classes keep their 32-bit copies below Classes\Wow6432Node
      {View(10, 0), kHKeyLocalMachine, "SOFTWARE\\Classes\\Applications",
       "SOFTWARE\\Classes\\Applications"},
      {View(6, 0), kHKeyLocalMachine, "SOFTWARE\\Classes\\Applications",
       "SOFTWARE\\Classes\\Wow6432Node\\Applications"},
      {View(10, 0), kHKeyLocalMachine, "SOFTWARE\\Classes\\CLSID",
       "SOFTWARE\\Classes\\Wow6432Node\\CLSID"},
      {View(10, 0), kHKeyClassesRoot, "Interface", "Wow6432Node\\Interface"},
      // the user's keys are shared
      {View(10, 0), kHKeyCurrentUser, "Software\\Vedav", "Software\\Vedav"},
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
