// Under WOW64 (the 64-bit prefix) the Win32 layer sees the machine as a 32-bit program does;
// the simulated machine of the same files and keys, as they lie, must answer alike: the same
// files behind the system folder's names, the same listings, the same keys behind SOFTWARE.
// In a 32-bit prefix there is no WOW64 to compare with.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/registry.h"
#include "platform/sim/sim_platform.h"
#include "platform/win32/win32_platform.h"
#include "support/test_machine.h"
#include "win32_test_support.h"

namespace kdx {
namespace {

using Answers = std::vector<std::string>;

constexpr char kMark[] = "kdxwow64";

/// A file of the test, named by where it lies below the Windows folder, and the bytes of it.
struct PlacedFile {
  const char* belowWindows;
  const char* bytes;
};
constexpr PlacedFile kFiles[] = {
    {"System32\\kdxwow64_native.dll", "64"},
    {"SysWOW64\\kdxwow64_x86.dll", "32"},
    {"System32\\spool\\kdxwow64\\exempt.txt", "spool"},
};

/// A key of the test where it lies below HKEY_LOCAL_MACHINE, and its "Bits" value.
struct PlacedKey {
  const char* path;
  const char* bits;
};
constexpr PlacedKey kKeys[] = {
    {"SOFTWARE\\KdxWow64Test", "64"},
    {"SOFTWARE\\Wow6432Node\\KdxWow64Test", "32"},
    {"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports\\KdxWow64Test", "shared"},
};

/// What a platform answers about the test's files and keys, by the names a 32-bit program uses.
Answers AnswersOf(Platform& platform, const std::string& windows) {
  Answers answers;
  for (const char* named : {"\\System32\\kdxwow64_x86.dll", "\\System32\\kdxwow64_native.dll",
                            "\\Sysnative\\kdxwow64_native.dll", "\\SysWOW64\\kdxwow64_x86.dll",
                            "\\System32\\spool\\kdxwow64\\exempt.txt"}) {
    std::unique_ptr<InputFile> file;
    answers.push_back(named + std::string(" ") +
                      std::to_string(platform.Files().OpenInputFile(windows + named, file)));
  }
  for (const char* folder : {"\\System32", "\\Sysnative"}) {
    std::vector<FolderEntryData> entries;
    std::string names = folder + std::string(":");
    if (platform.Files().ListFolder(windows + folder, entries) == kErrorSuccess) {
      for (const FolderEntryData& entry : entries) {
        if (entry.name.find(kMark) != std::string::npos) names += " " + entry.name;
      }
    }
    answers.push_back(names);
  }
  TRegistry registry(platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  for (const char* key :
       {"\\SOFTWARE\\KdxWow64Test",
        "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports\\KdxWow64Test"}) {
    answers.push_back(key + std::string(" ") +
                      (registry.OpenRead(key) ? registry.ReadText("Bits") : "not open"));
  }
  return answers;
}

/// Puts the test's files and keys on the machine where they lie, through Sysnative and the
/// 64-bit registry view, and takes them away again.
class PlacedOnWindows {
 public:
  explicit PlacedOnWindows(const std::string& windows) : windows_(windows) {
    for (const PlacedFile& file : kFiles) {
      const std::string path = Real(file.belowWindows);
      ::CreateDirectoryA(path.substr(0, path.find_last_of('\\')).c_str(), nullptr);
      std::ofstream(path, std::ios::binary) << file.bytes;
    }
    for (const PlacedKey& key : kKeys) {
      testing::UniqueKey created;
      ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.path, 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, created.Receive(), nullptr);
      ::RegSetValueExA(created.Get(), "Bits", 0, REG_SZ, reinterpret_cast<const BYTE*>(key.bits),
                       static_cast<DWORD>(std::strlen(key.bits) + 1));
    }
  }
  ~PlacedOnWindows() {
    for (const PlacedFile& file : kFiles) ::DeleteFileA(Real(file.belowWindows).c_str());
    ::RemoveDirectoryA(Real("System32\\spool\\kdxwow64").c_str());
    for (const PlacedKey& key : kKeys) {
      ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, key.path, KEY_WOW64_64KEY, 0);
    }
  }
  PlacedOnWindows(const PlacedOnWindows&) = delete;
  PlacedOnWindows& operator=(const PlacedOnWindows&) = delete;

 private:
  // The real system folder is Sysnative to a 32-bit program.
  std::string Real(const std::string& belowWindows) const {
    const bool system = belowWindows.rfind("System32\\", 0) == 0;
    return windows_ + "\\" + (system ? "Sysnative" + belowWindows.substr(8) : belowWindows);
  }

  std::string windows_;
};

/// The same files and keys in a machine directory of a 64-bit Windows of the given version.
void PlaceInMachine(test::TestMachine& machine, const OsVersionInfo& version) {
  machine.SetJson(R"({"windowsDirectory": "C:\\windows", "systemDirectory": "C:\\windows\\system32",
                      "architecture": "x64", "version": {"major": )" +
                  std::to_string(version.majorVersion) +
                  ", \"minor\": " + std::to_string(version.minorVersion) + ", \"platformId\": 2}}");
  for (const PlacedFile& file : kFiles) {
    machine.AddFile(std::string("C:\\windows\\") + file.belowWindows, file.bytes);
  }
  std::string reg = "REGEDIT4\r\n";
  for (const PlacedKey& key : kKeys) {
    reg += std::string("\r\n[HKEY_LOCAL_MACHINE\\") + key.path + "]\r\n\"Bits\"=\"" + key.bits +
           "\"\r\n";
  }
  machine.AddReg("wow64.reg", reg);
}

TEST(Wow64Differential, TheSimulatedMachineSeesWhatWow64Shows) {
  Win32Platform windows;
  if (windows.System().GetNativeMachine() == NativeMachine::kNone) {
    GTEST_SKIP() << "not under WOW64: the 64-bit prefix runs this comparison";
  }
  const OsVersionInfo version = windows.System().GetVersionExA().value();
  const std::string folder = windows.System().GetWindowsDirectoryA().value();
  // Wine offers Sysnative whatever Windows it plays; Windows only from Vista on.
  ASSERT_GE(version.majorVersion, 6u) << "the prefix plays a Windows without Sysnative";
  const PlacedOnWindows placed(folder);
  test::TestMachine machine;
  PlaceInMachine(machine, version);
  const auto simulated = machine.Load();

  const Answers expected = {
      "\\System32\\kdxwow64_x86.dll 0",
      "\\System32\\kdxwow64_native.dll 2",
      "\\Sysnative\\kdxwow64_native.dll 0",
      "\\SysWOW64\\kdxwow64_x86.dll 0",
      "\\System32\\spool\\kdxwow64\\exempt.txt 0",
      "\\System32: kdxwow64_x86.dll",
      "\\Sysnative: kdxwow64_native.dll",
      "\\SOFTWARE\\KdxWow64Test 32",
      "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Ports\\KdxWow64Test shared",
  };
  EXPECT_EQ(AnswersOf(windows, folder), expected);
  EXPECT_EQ(AnswersOf(*simulated, "C:\\windows"), expected);
}

}  // namespace
}  // namespace kdx
