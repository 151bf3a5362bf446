// The simulated machine answers a scan's open from its listing and a version question from the
// file held open; neither shortcut may hand out facts or bytes the host no longer has.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "support/test_data.h"
#include "support/test_machine.h"

namespace kdx::test {
namespace {

constexpr char kFolder[] = "C:\\KDXTEST\\scan";
constexpr char kFile[] = "C:\\KDXTEST\\scan\\a.dll";

class SimFilesReuseTest : public ::testing::Test {
 protected:
  FileSystem& Files() {
    if (!platform_) platform_ = machine_.Load();
    return platform_->Files();
  }
  void Put(const std::string& path, const std::string& bytes) { machine_.AddFile(path, bytes); }

  void List() {
    std::vector<FolderEntryData> entries;
    ASSERT_EQ(Files().ListFolder(kFolder, entries), kErrorSuccess);
  }

  /// The size an open of path tells, or the open's error code negated.
  long long OpenedSize(const std::string& path) {
    std::unique_ptr<InputFile> file;
    if (const long error = Files().OpenInputFile(path, file); error != kErrorSuccess) {
      return -error;
    }
    FileInformation information;
    file->GetInformation(information);
    return static_cast<long long>(information.size);
  }

  TestMachine machine_;
  std::unique_ptr<SimPlatform> platform_;
};

TEST_F(SimFilesReuseTest, AnOpenAfterTheFirstSeesTheFileAsItIsNow) {
  Put(kFile, "four");
  List();
  Put(kFile, "now eleven");
  OpenedSize(kFile);  // the scan's own open may take the listing's facts
  EXPECT_EQ(OpenedSize(kFile), 10);
  // Another spelling never takes the listing's facts.
  List();
  Put(kFile, "six!!!");
  EXPECT_EQ(OpenedSize("C:\\KDXTEST\\SCAN\\A.DLL"), 6);
}

TEST_F(SimFilesReuseTest, AListedFileDeletedSinceIsNotFound) {
  Put(kFile, "bytes");
  List();
  std::filesystem::remove(machine_.Dir() / "drive_c" / "KDXTEST" / "scan" / "a.dll");
  EXPECT_EQ(OpenedSize(kFile), -kErrorFileNotFound);
}

TEST_F(SimFilesReuseTest, AListedNameTheCodePageCannotSpellStillOpensNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "host names are UTF-8 only on a POSIX host";
#endif
  Put(kFile, "bytes");
  std::filesystem::rename(machine_.Dir() / "drive_c" / "KDXTEST" / "scan" / "a.dll",
                          machine_.Dir() / "drive_c" / "KDXTEST" / "scan" / u8"a\u0100.dll");
  std::vector<FolderEntryData> entries;
  ASSERT_EQ(Files().ListFolder(kFolder, entries), kErrorSuccess);
  ASSERT_EQ(entries.back().name, "a?.dll");
  EXPECT_LT(OpenedSize("C:\\KDXTEST\\scan\\a?.dll"), 0);
}

TEST_F(SimFilesReuseTest, VersionOfAnOpenFileLeavesItsReadingPlaceAlone) {
  const std::string image = TestDataFile("pe/kdx_sample_version.dll");
  Put(kFile, image);
  std::unique_ptr<InputFile> file;
  ASSERT_EQ(Files().OpenInputFile(kFile, file), kErrorSuccess);
  char head[2];
  std::size_t count = 0;
  ASSERT_EQ(file->Read(head, 2, count), kErrorSuccess);
  std::string block;
  ASSERT_EQ(Files().GetFileVersionInfoA(kFile, block), kErrorSuccess);
  EXPECT_EQ(Files().VerQueryValueA(block, "\\StringFileInfo\\040704E4\\FileVersion"), "2.0.0.14");
  char next[2];
  ASSERT_EQ(file->Read(next, 2, count), kErrorSuccess);
  EXPECT_EQ(std::string(next, count), image.substr(2, 2));
}

TEST_F(SimFilesReuseTest, VersionAfterTheCloseReadsTheFileAnew) {
  Put(kFile, TestDataFile("pe/kdx_sample_version.dll"));
  std::string block;
  {
    std::unique_ptr<InputFile> file;
    ASSERT_EQ(Files().OpenInputFile(kFile, file), kErrorSuccess);
  }
  Put(kFile, "no resources any more");
  EXPECT_NE(Files().GetFileVersionInfoA(kFile, block), kErrorSuccess);
}

// An INI file is parsed once for all its questions, and read again when it changes: by size,
// or by time alone.
TEST_F(SimFilesReuseTest, IniFileIsReadAgainOnceItChanged) {
  const std::string ini = "C:\\KDXTEST\\k.ini";
  Put(ini, "[S]\r\nk=1\r\n");
  const auto value = [&] { return Files().GetPrivateProfileStringA("S", "k", "", 2048, ini); };
  EXPECT_EQ(value(), "1");
  Put(ini, "[S]\r\nk=22\r\n");
  EXPECT_EQ(value(), "22");
  const std::filesystem::path host = *platform_->Files().HostPathOf(ini);
  const auto written = std::filesystem::last_write_time(host);
  Put(ini, "[S]\r\nk=33\r\n");
  std::filesystem::last_write_time(host, written + std::chrono::seconds(2));
  EXPECT_EQ(value(), "33");
  std::filesystem::remove(host);
  EXPECT_EQ(value(), "");
}

}  // namespace
}  // namespace kdx::test
