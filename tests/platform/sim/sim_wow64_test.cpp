// A 64-bit machine shows the program its files and registry as WOW64 shows them to a 32-bit
// program; a 32-bit machine with the same folders and keys shows them as they lie.
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/formats/machine_error.h"
#include "platform/registry.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::TestMachine;
using Names = std::vector<std::string>;

// The same Windows as a 32-bit one.
constexpr char kWindows10x86Json[] =
    R"({"windowsDirectory": "C:\\Windows", "systemDirectory": "C:\\Windows\\system32",
        "version": {"major": 10, "minor": 0, "build": 19045, "platformId": 2}})";

constexpr char kFacts[] = R"("files": {
    "C:\\Windows\\SysWOW64\\kdx32.dll": {"lastWrite": "2019-05-02 10:00:00"},
    "C:\\Windows\\SysWOW64\\stated.dll": {"lastWrite": "2019-05-02 10:00:00", "size": 7}})";

void AddWindows(TestMachine& machine) {
  machine.AddFile("C:\\Windows\\System32\\kdx64.dll", "64");
  machine.AddFile("C:\\Windows\\System32\\spool\\drivers\\x64\\3\\KDX410.DLL", "x64");
  machine.AddFile("C:\\Windows\\SysWOW64\\kdx32.dll", "32");
  machine.AddReg("k.reg",
                 "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo Instruments\\KDX]\r\n"
                 "\"Bits\"=\"64\"\r\n\r\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Kelmo Instruments\\KDX]\r\n"
                 "\"Bits\"=\"32\"\r\n\r\n"
                 "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                 "Paths\\KDX5.EXE]\r\n@=\"C:\\\\KDX5\\\\KDX5.EXE\"\r\n");
}

/// The open error of each path, and the names the listing of each folder gives.
struct Answers {
  std::vector<long> opens;
  std::vector<Names> listings;
};

Answers FileAnswers(SimPlatform& platform) {
  Answers answers;
  for (const char* path : {"C:\\Windows\\System32\\kdx32.dll", "C:\\Windows\\System32\\kdx64.dll",
                           "C:\\Windows\\Sysnative\\kdx64.dll", "C:\\Windows\\SysWOW64\\kdx32.dll",
                           "C:\\Windows\\system32\\spool\\drivers\\x64\\3\\KDX410.DLL"}) {
    std::unique_ptr<InputFile> file;
    answers.opens.push_back(platform.Files().OpenInputFile(path, file));
  }
  for (const char* folder : {"C:\\Windows\\System32", "C:\\Windows\\Sysnative"}) {
    std::vector<FolderEntryData> entries;
    Names names;
    if (platform.Files().ListFolder(folder, entries) == kErrorSuccess) {
      for (const FolderEntryData& entry : entries) names.push_back(entry.name);
    }
    answers.listings.push_back(names);
  }
  return answers;
}

TEST(SimWow64, TheSystemFolderIsSysWow64AndSysnativeTheRealOne) {
  TestMachine machine(test::Windows10x64JsonWith(kFacts));
  AddWindows(machine);
  const auto platform = machine.Load();
  const Answers answers = FileAnswers(*platform);
  EXPECT_EQ(answers.opens, (std::vector<long>{kErrorSuccess, kErrorFileNotFound, kErrorSuccess,
                                              kErrorSuccess, kErrorSuccess}));
  EXPECT_EQ(answers.listings[0], (Names{".", "..", "kdx32.dll", "stated.dll"}));
  EXPECT_EQ(answers.listings[1], (Names{".", "..", "kdx64.dll", "spool"}));
  // machine.json names a file by where it lies; its facts hold under the name WOW64 gives it.
  std::unique_ptr<InputFile> file;
  ASSERT_EQ(platform->Files().OpenInputFile("C:\\Windows\\System32\\stated.dll", file),
            kErrorSuccess);
  FileInformation information;
  ASSERT_EQ(file->GetInformation(information), kErrorSuccess);
  EXPECT_EQ(information.size, 7u);
}

TEST(SimWow64, A32BitMachineShowsTheFoldersAsTheyLie) {
  TestMachine machine(kWindows10x86Json);
  AddWindows(machine);
  const Answers answers = FileAnswers(*machine.Load());
  EXPECT_EQ(answers.opens, (std::vector<long>{kErrorFileNotFound, kErrorSuccess, kErrorPathNotFound,
                                              kErrorSuccess, kErrorSuccess}));
  EXPECT_EQ(answers.listings[0], (Names{".", "..", "kdx64.dll", "spool"}));
  EXPECT_EQ(answers.listings[1], Names{});
}

/// The "Bits" value of the label software's key, opened absolute and then relative, and the
/// default value of the shared App Paths key.
Names RegistryAnswers(SimPlatform& platform) {
  TRegistry registry(platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  Names answers;
  answers.push_back(registry.OpenRead("\\SOFTWARE\\Kelmo Instruments\\KDX")
                        ? registry.ReadText("Bits")
                        : "not open");
  answers.push_back(registry.OpenRead("\\SOFTWARE\\Kelmo Instruments") && registry.OpenRead("KDX")
                        ? registry.ReadText("Bits")
                        : "not open");
  answers.push_back(registry.OpenRead("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App "
                                      "Paths\\KDX5.EXE")
                        ? registry.ReadText("")
                        : "not open");
  return answers;
}

TEST(SimWow64, TheLabelSoftwaresKeysAreItsWow6432NodeOnes) {
  TestMachine machine(test::Windows10x64JsonWith(""));
  AddWindows(machine);
  EXPECT_EQ(RegistryAnswers(*machine.Load()), (Names{"32", "32", "C:\\KDX5\\KDX5.EXE"}));
  machine.SetJson(kWindows10x86Json);
  EXPECT_EQ(RegistryAnswers(*machine.Load()), (Names{"64", "64", "C:\\KDX5\\KDX5.EXE"}));
}

TEST(SimWow64, RefusesAnUnknownArchitecture) {
  TestMachine machine(test::XpJsonWith(R"("architecture": "amd64")"));
  try {
    machine.Load();
    FAIL() << "loaded";
  } catch (const MachineError& error) {
    EXPECT_NE(std::string(error.what()).find("architecture: expected one of x86, x64, arm64, ia64"),
              std::string::npos)
        << error.what();
  }
}

}  // namespace
}  // namespace kdx
