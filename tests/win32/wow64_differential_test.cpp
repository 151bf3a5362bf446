// Under WOW64 (the 64-bit prefix) the Win32 layer sees the machine as a 32-bit program does;
// the simulated machine of the same files and keys, as they lie, must answer alike. In a
// 32-bit prefix there is no WOW64 to compare with.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "support/test_machine.h"
#include "win32_test_support.h"

namespace kdx {
namespace {

// Where each file lies below the Windows folder, and a key of each kind below HKLM.
constexpr const char* kFiles[] = {"System32\\kdxwow64_native.dll", "SysWOW64\\kdxwow64_x86.dll"};
constexpr std::pair<const char*, const char*> kKeys[] = {
    {"SOFTWARE\\KdxWow64", "64"},
    {"SOFTWARE\\Wow6432Node\\KdxWow64", "32"},
    {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports\\KdxWow64", "shared"},
};

/// What a platform answers about them by the names a 32-bit program uses.
std::vector<std::string> AnswersOf(Platform& platform, const std::string& windows) {
  std::vector<std::string> answers;
  for (const char* named : {"\\System32\\kdxwow64_x86.dll", "\\System32\\kdxwow64_native.dll",
                            "\\Sysnative\\kdxwow64_native.dll"}) {
    std::unique_ptr<InputFile> file;
    answers.push_back(std::to_string(platform.Files().OpenInputFile(windows + named, file)));
  }
  std::vector<FolderEntryData> entries;
  platform.Files().ListFolder(windows + "\\System32", entries);
  for (const FolderEntryData& entry : entries) {
    if (entry.name.find("kdxwow64") != std::string::npos) answers.push_back(entry.name);
  }
  TRegistry registry(platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  for (const char* key : {"\\SOFTWARE\\KdxWow64",
                          "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports\\KdxWow64"}) {
    answers.push_back(registry.OpenRead(key) ? registry.ReadText("Bits") : "no key");
  }
  return answers;
}

/// The files and keys where they lie on the running Windows: a 32-bit program reaches the real
/// system folder through Sysnative, and the 64-bit registry view with KEY_WOW64_64KEY.
std::string Real(const std::string& windows, const std::string& file) {
  return windows + "\\" + (file.starts_with("System32") ? "Sysnative" + file.substr(8) : file);
}

void PlaceOnWindows(const std::string& windows) {
  for (const char* file : kFiles) std::ofstream(Real(windows, file), std::ios::binary) << file;
  for (const auto& [path, bits] : kKeys) {
    testing::UniqueKey key;
    ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                      nullptr, key.Receive(), nullptr);
    ::RegSetValueExA(key.Get(), "Bits", 0, REG_SZ, reinterpret_cast<const BYTE*>(bits),
                     static_cast<DWORD>(std::strlen(bits)) + 1);
  }
}

void RemoveFromWindows(const std::string& windows) {
  for (const char* file : kFiles) ::DeleteFileA(Real(windows, file).c_str());
  for (const auto& [path, bits] : kKeys) {
    ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY, 0);
  }
}

TEST(Wow64Differential, TheSimulatedMachineSeesWhatWow64Shows) {
  Win32Platform windows;
  if (windows.System().GetNativeMachine() == NativeMachine::kNone) {
    GTEST_SKIP() << "not under WOW64: the 64-bit prefix runs this comparison";
  }
  const OsVersionInfo version = windows.System().GetVersionExA().value();
  // Wine offers Sysnative whatever Windows it plays, Windows from Vista on.
  ASSERT_GE(version.majorVersion, 6u) << "the prefix plays a Windows without Sysnative";
  const std::string folder = windows.System().GetWindowsDirectoryA().value();
  PlaceOnWindows(folder);

  test::TestMachine machine(
      R"({"windowsDirectory": "C:\\windows", "systemDirectory": "C:\\windows\\system32",
          "architecture": "x64", "version": {"platformId": 2, "major": )" +
      std::to_string(version.majorVersion) +
      ", \"minor\": " + std::to_string(version.minorVersion) + "}}");
  for (const char* file : kFiles) machine.AddFile(std::string("C:\\windows\\") + file, file);
  std::string reg = "REGEDIT4\r\n";
  for (const auto& [path, bits] : kKeys) {
    reg += std::string("[HKEY_LOCAL_MACHINE\\") + path + "]\r\n\"Bits\"=\"" + bits + "\"\r\n";
  }
  machine.AddReg("wow64.reg", reg);

  // Only the 32-bit copy behind System32, the real one behind Sysnative; the 32-bit key and
  // the shared one.
  const std::vector<std::string> expected = {"0", "2", "0", "kdxwow64_x86.dll", "32", "shared"};
  EXPECT_EQ(AnswersOf(windows, folder), expected);
  EXPECT_EQ(AnswersOf(*machine.Load(), "C:\\windows"), expected);
  RemoveFromWindows(folder);
}

}  // namespace
}  // namespace kdx
