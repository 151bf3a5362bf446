#pragma once

// The files area's contract: what kernel32, version.dll and the shell answer about the same
// files, held against every platform: the simulated machine on the host and under Wine, the
// Win32 layer under Wine. The files live below C:\KDXTEST on both.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "support/sim_files_fixture.h"
#include "support/test_data.h"

namespace kdx::test {

inline constexpr char kFilesRoot[] = "C:\\KDXTEST";

template <typename Fixture>
class FileSystemContract : public ::testing::Test {
 protected:
  static std::string PathOf(const std::string& relative) {
    return std::string(kFilesRoot) + "\\" + relative;
  }
  FileSystem& Files() { return machine_.Machine().Files(); }

  /// The local time of a file time, as "YYYY-MM-DD hh:mm:ss".
  std::string LocalTime(std::uint64_t fileTime) {
    const auto time = machine_.Machine().System().FileTimeToLocalTime(fileTime);
    if (!time) return "no time";
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time->year, time->month,
                  time->day, time->hour, time->minute, time->second);
    return text;
  }

  long OpenError(const std::string& relative) {
    std::unique_ptr<InputFile> file;
    return Files().OpenInputFile(PathOf(relative), file);
  }

  Fixture machine_;
};

TYPED_TEST_SUITE_P(FileSystemContract);

TYPED_TEST_P(FileSystemContract, TellsAnOpenFilesInformationAndReadsAtOffsets) {
  this->machine_.Put("a.txt", "0123456789");
  this->machine_.SetAttributes("a.txt", "AR");
  this->machine_.SetLastWrite("a.txt", "2007-12-19 10:15:02");
  std::unique_ptr<InputFile> file;
  ASSERT_EQ(this->Files().OpenInputFile(this->PathOf("a.txt"), file), kErrorSuccess);
  FileInformation information;
  ASSERT_EQ(file->GetInformation(information), kErrorSuccess);
  EXPECT_EQ(information.size, 10u);
  EXPECT_EQ(information.attributes, kFileAttributeArchive | kFileAttributeReadOnly);
  EXPECT_EQ(this->LocalTime(information.lastWriteTime), "2007-12-19 10:15:02");
  char bytes[8] = {};
  std::size_t count = 0;
  // at an offset, then across the end, then at the end
  ASSERT_EQ(file->Seek(4), kErrorSuccess);
  ASSERT_EQ(file->Read(bytes, 3, count), kErrorSuccess);
  EXPECT_EQ(std::string(bytes, count), "456");
  ASSERT_EQ(file->Seek(8), kErrorSuccess);
  ASSERT_EQ(file->Read(bytes, 4, count), kErrorSuccess);
  EXPECT_EQ(std::string(bytes, count), "89");
  ASSERT_EQ(file->Read(bytes, 4, count), kErrorSuccess);
  EXPECT_EQ(count, 0u);
}

TYPED_TEST_P(FileSystemContract, RefusesWhatCannotBeOpened) {
  this->machine_.Put("sub\\held.txt", "x");
  this->machine_.Lock("sub\\held.txt");
  EXPECT_EQ(this->OpenError("sub\\absent.txt"), kErrorFileNotFound);
  EXPECT_EQ(this->OpenError("none\\absent.txt"), kErrorPathNotFound);
  // a folder is no file
  EXPECT_EQ(this->OpenError("sub"), kErrorAccessDenied);
  // a file another program holds without sharing
  EXPECT_EQ(this->OpenError("sub\\held.txt"), kErrorSharingViolation);
}

TYPED_TEST_P(FileSystemContract, TellsAttributesOfFilesAndFolders) {
  this->machine_.Put("sub\\hidden.txt", "x");
  this->machine_.SetAttributes("sub\\hidden.txt", "AHS");
  std::uint32_t attributes = 0;
  ASSERT_EQ(this->Files().GetFileAttributesA(this->PathOf("sub"), attributes), kErrorSuccess);
  EXPECT_NE(attributes & kFileAttributeDirectory, 0u);
  ASSERT_EQ(this->Files().GetFileAttributesA(this->PathOf("sub\\hidden.txt"), attributes),
            kErrorSuccess);
  EXPECT_EQ(attributes, kFileAttributeArchive | kFileAttributeHidden | kFileAttributeSystem);
  EXPECT_EQ(this->Files().GetFileAttributesA(this->PathOf("absent.txt"), attributes),
            kErrorFileNotFound);
}

TYPED_TEST_P(FileSystemContract, TellsAFileWithoutAttributesNormal) {
  if (const auto reason = TypeParam::Differs(FilesDifference::NormalShownAsArchive)) {
    GTEST_SKIP() << *reason;
  }
  this->machine_.Put("plain.txt", "x");
  this->machine_.SetAttributes("plain.txt", "N");
  std::uint32_t attributes = 0;
  ASSERT_EQ(this->Files().GetFileAttributesA(this->PathOf("plain.txt"), attributes), kErrorSuccess);
  EXPECT_EQ(attributes, kFileAttributeNormal);
}

TYPED_TEST_P(FileSystemContract, ListsAFolderWithItsDots) {
  this->machine_.Put("list\\b.txt", "bb");
  this->machine_.Put("list\\A.TXT", "a");
  this->machine_.Put("list\\deeper\\c.txt", "c");
  this->machine_.SetLastWrite("list\\b.txt", "2007-12-19 10:15:02");
  std::vector<FolderEntryData> entries;
  ASSERT_EQ(this->Files().ListFolder(this->PathOf("list"), entries), kErrorSuccess);
  std::vector<std::string> names;
  for (const FolderEntryData& entry : entries) names.push_back(entry.name);
  const auto b = std::find_if(entries.begin(), entries.end(),
                              [](const FolderEntryData& entry) { return entry.name == "b.txt"; });
  ASSERT_NE(b, entries.end());
  EXPECT_EQ(b->size, 2u);
  EXPECT_EQ(this->LocalTime(b->lastWriteTime), "2007-12-19 10:15:02");
  if (!TypeParam::Differs(FilesDifference::FolderOrderUnsorted)) {
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A.TXT", "b.txt", "deeper"}));
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "A.TXT", "b.txt", "deeper"}));
  EXPECT_EQ(this->Files().ListFolder(this->PathOf("absent"), entries), kErrorPathNotFound);
}

TYPED_TEST_P(FileSystemContract, FileExistsOnlyForFilesWithDosDates) {
  this->machine_.Put("new.txt", "x");
  this->machine_.Put("old.txt", "x");
  this->machine_.SetLastWrite("old.txt", "1979-12-31 12:00:00");
  this->machine_.Put("late.txt", "x");
  this->machine_.SetLastWrite("late.txt", "2107-12-31 12:00:00");
  this->machine_.Folder("folder");
  EXPECT_TRUE(this->Files().FileExists(this->PathOf("new.txt")));
  EXPECT_TRUE(this->Files().FileExists(this->PathOf("late.txt")));
  EXPECT_FALSE(this->Files().FileExists(this->PathOf("old.txt")));
  EXPECT_FALSE(this->Files().FileExists(this->PathOf("folder")));
  EXPECT_FALSE(this->Files().FileExists(this->PathOf("absent.txt")));
  // a wildcard matches no other file
  EXPECT_FALSE(this->Files().FileExists(this->PathOf("*.txt")));
}

TYPED_TEST_P(FileSystemContract, ReadsProfileStrings) {
  this->machine_.Put("k.ini", "[Drucker]\r\nName = Dexta KD-410 \r\nPort=\"USB001\"\r\n[Leer]\r\n");
  const std::string path = this->PathOf("k.ini");
  FileSystem& files = this->Files();
  EXPECT_EQ(files.GetPrivateProfileStringA(std::nullopt, std::nullopt, "", 16384, path),
            std::string("Drucker\0Leer\0", 13));
  EXPECT_EQ(files.GetPrivateProfileStringA("drucker", std::nullopt, "", 16384, path),
            std::string("Name\0Port\0", 10));
  EXPECT_EQ(files.GetPrivateProfileStringA("Drucker", "name", "", 2048, path), "Dexta KD-410");
  EXPECT_EQ(files.GetPrivateProfileStringA("Drucker", "Port", "", 2048, path), "USB001");
  EXPECT_EQ(files.GetPrivateProfileStringA("Drucker", "Fehlt", "nichts", 2048, path), "nichts");
  EXPECT_EQ(files.GetPrivateProfileStringA("Drucker", "Name", "", 6, path), "Dexta");
}

TYPED_TEST_P(FileSystemContract, ReadsShortcuts) {
  this->machine_.Put("a.lnk", TestDataFile("lnk/lnkparse3_microsoft_example.lnk"));
  this->machine_.Put("not.lnk", "no shortcut at all, but long enough to look at its header....");
  const ShellLinkAnswers link = this->Files().ReadShellLink(this->PathOf("a.lnk"));
  ASSERT_TRUE(link.loaded);
  EXPECT_EQ(link.path, "C:\\test\\a.txt");
  EXPECT_EQ(link.description, "");
  EXPECT_EQ(link.workingDirectory, "C:\\test");
  EXPECT_EQ(link.arguments, "");
  EXPECT_FALSE(this->Files().ReadShellLink(this->PathOf("not.lnk")).loaded);
  EXPECT_FALSE(this->Files().ReadShellLink(this->PathOf("absent.lnk")).loaded);
}

TYPED_TEST_P(FileSystemContract, ReadsVersionResources) {
  this->machine_.Put("v.dll", TestDataFile("pe/kdx_sample_version.dll"));
  this->machine_.Put("plain.txt", "no resources");
  FileSystem& files = this->Files();
  std::string block;
  ASSERT_EQ(files.GetFileVersionInfoA(this->PathOf("v.dll"), block), kErrorSuccess);
  EXPECT_EQ(files.VerQueryValueA(block, "\\VarFileInfo\\Translation"),
            std::string("\x07\x04\xE4\x04", 4));
  EXPECT_EQ(files.VerQueryValueA(block, "\\StringFileInfo\\040704E4\\FileVersion"), "2.0.0.14");
  EXPECT_EQ(files.VerQueryValueA(block, "\\StringFileInfo\\040704E4\\CompanyName"),
            "Kelmo M\xF6\xDFlang GmbH");
  EXPECT_EQ(files.VerQueryValueA(block, "\\StringFileInfo\\040704E4\\Comments"), std::nullopt);
  EXPECT_NE(files.GetFileVersionInfoA(this->PathOf("plain.txt"), block), kErrorSuccess);
}

// GetFullPathNameA resolves a path by its spelling alone: the folders need not exist.
TYPED_TEST_P(FileSystemContract, MakesPathsAbsoluteAsTheSystemDoes) {
  static const struct {
    const char* path;
    const char* full;
  } kCases[] = {
      {"C:/Kelmo/DLP5", "C:\\Kelmo\\DLP5"},
      {"C:\\Common\\.\\Files", "C:\\Common\\Files"},
      {"C:\\Kelmo\\x\\..\\DLP4", "C:\\Kelmo\\DLP4"},
      {"C:\\Temp\\.\\User\\lock.tmp", "C:\\Temp\\User\\lock.tmp"},
      {"C:/Temp/Sys\\lock2.tmp", "C:\\Temp\\Sys\\lock2.tmp"},
      {"C:\\..\\..\\Temp", "C:\\Temp"},
      {"C:\\Windows\\..\\..", "C:\\"},
      {"C:\\Temp\\\\\\User\\", "C:\\Temp\\User\\"},
      {"C:\\Temp\\.", "C:\\Temp"},
      {"C:\\Temp\\User\\..", "C:\\Temp"},
      {"C:\\Temp.\\lock.tmp. .", "C:\\Temp\\lock.tmp"},
      {"C:\\", "C:\\"},
  };
  for (const auto& c : kCases) {
    std::string full;
    EXPECT_EQ(this->Files().GetFullPathNameA(c.path, full), kErrorSuccess) << c.path;
    EXPECT_EQ(full, c.full) << c.path;
  }
  std::string full;
  EXPECT_NE(this->Files().GetFullPathNameA("", full), kErrorSuccess);
}

// At a drive's root the system lists no "." and "..": an empty root is an empty folder.
TYPED_TEST_P(FileSystemContract, ListsAnEmptyDriveRootAsEmpty) {
  const std::optional<std::string> root = this->machine_.EmptyDriveRoot();
  if (!root) GTEST_SKIP() << "no empty drive to list here";
  std::vector<FolderEntryData> entries{{"stale", 0, 0, 0}};
  EXPECT_EQ(this->Files().ListFolder(*root, entries), kErrorSuccess);
  EXPECT_TRUE(entries.empty());
}

REGISTER_TYPED_TEST_SUITE_P(FileSystemContract, TellsAnOpenFilesInformationAndReadsAtOffsets,
                            RefusesWhatCannotBeOpened, TellsAttributesOfFilesAndFolders,
                            TellsAFileWithoutAttributesNormal, ListsAFolderWithItsDots,
                            FileExistsOnlyForFilesWithDosDates, ReadsProfileStrings, ReadsShortcuts,
                            ReadsVersionResources, MakesPathsAbsoluteAsTheSystemDoes,
                            ListsAnEmptyDriveRootAsEmpty);

}  // namespace kdx::test
