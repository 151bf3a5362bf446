// A file machine.json states by its size stands in for one the drive folder does not hold: a
// capture keeps the files the run never read so. It must answer every question but a read
// as the file it stands for.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/errors.h"
#include "platform/machine/machine_json_writer.h"
#include "support/test_data.h"
#include "support/test_machine.h"

namespace kdx::test {
namespace {

class SimStatedFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The version resource as a capture writes it: taken from a real image's answer.
    std::string block;
    {
      TestMachine source;
      source.AddFile("C:\\V\\v.dll", TestDataFile("pe/kdx_sample_version.dll"));
      auto platform = source.Load();
      ASSERT_EQ(platform->Files().GetFileVersionInfoA("C:\\V\\v.dll", block), kErrorSuccess);
    }
    machine_.AddFile("C:\\DRV\\b.ini", "[S]\r\nk=host\r\n");
    machine_.SetJson(XpJsonWith(R"("files": {
        "C:\\DRV\\Stated.DLL": {"size": 5000000000, "lastWrite": "2024-03-01 10:20:30",
                                "attributes": "AR", "versionInfo": ")" +
                                HexText(block) + R"("},
        "C:\\DRV\\a.ppd": {"size": 12, "lastWrite": "2023-01-02 03:04:05"},
        "C:\\DRV\\held.ppd": {"size": 7, "lastWrite": "2023-01-02 03:04:05", "openError": 32},
        "C:\\DRV\\b.ini": {"size": 99},
        "C:\\DRV\\old.ppd": {"size": 1},
        "C:\\NOWHERE\\c.dll": {"size": 1, "lastWrite": "2023-01-02 03:04:05"}})"));
    platform_ = machine_.Load();
  }
  FileSystem& Files() { return platform_->Files(); }

  TestMachine machine_;
  std::unique_ptr<SimPlatform> platform_;
};

TEST_F(SimStatedFilesTest, ListingShowsThemAmongTheHostFilesInNameOrder) {
  std::vector<FolderEntryData> entries;
  ASSERT_EQ(Files().ListFolder("C:\\DRV", entries), kErrorSuccess);
  std::vector<std::string> names;
  names.reserve(entries.size());
  for (const FolderEntryData& entry : entries) names.push_back(entry.name);
  EXPECT_EQ(names, (std::vector<std::string>{".", "..", "a.ppd", "b.ini", "held.ppd", "old.ppd",
                                             "Stated.DLL"}));
  EXPECT_EQ(entries[6].size, 5000000000u);
  EXPECT_EQ(entries[6].attributes, kFileAttributeArchive | kFileAttributeReadOnly);
  // A host file of the stated name is the file; the stated size is the size it answers.
  EXPECT_EQ(entries[3].size, 99u);
}

TEST_F(SimStatedFilesTest, AnswersTheQuestionsOfAFileByPath) {
  struct Case {
    const char* path;
    bool exists;
    long attributesError;
    long openError;
    long versionError;
  };
  const Case cases[] = {
      {"C:\\DRV\\Stated.DLL", true, kErrorSuccess, kErrorSuccess, kErrorSuccess},
      {"C:\\DRV\\a.ppd", true, kErrorSuccess, kErrorSuccess, kErrorResourceTypeNotFound},
      {"C:\\DRV\\held.ppd", true, kErrorSuccess, kErrorSharingViolation,
       kErrorResourceTypeNotFound},
      // No time stated: 1601, before any MS-DOS date.
      {"C:\\DRV\\old.ppd", false, kErrorSuccess, kErrorSuccess, kErrorResourceTypeNotFound},
      // Its folder is not on the drive, so neither is the file.
      {"C:\\NOWHERE\\c.dll", false, kErrorPathNotFound, kErrorPathNotFound, kErrorPathNotFound},
      {"C:\\DRV\\unstated.dll", false, kErrorFileNotFound, kErrorFileNotFound, kErrorFileNotFound},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(Files().FileExists(c.path), c.exists);
    std::uint32_t attributes = 0;
    EXPECT_EQ(Files().GetFileAttributesA(c.path, attributes), c.attributesError);
    std::unique_ptr<InputFile> file;
    EXPECT_EQ(Files().OpenInputFile(c.path, file), c.openError);
    std::string block;
    EXPECT_EQ(Files().GetFileVersionInfoA(c.path, block), c.versionError);
  }
  std::unique_ptr<InputFile> file;
  ASSERT_EQ(Files().OpenInputFile("c:\\drv\\STATED.dll", file), kErrorSuccess);
  FileInformation information;
  ASSERT_EQ(file->GetInformation(information), kErrorSuccess);
  EXPECT_EQ(information.size, 5000000000u);
  char byte = 0;
  std::size_t count = 1;
  EXPECT_EQ(file->Read(&byte, 1, count), kErrorReadFault);
  std::string block;
  ASSERT_EQ(Files().GetFileVersionInfoA("C:\\DRV\\Stated.DLL", block), kErrorSuccess);
  EXPECT_EQ(Files().VerQueryValueA(block, "\\StringFileInfo\\040704E4\\FileVersion"), "2.0.0.14");
  // The host file's bytes answer, whatever is stated of its size.
  EXPECT_EQ(Files().GetPrivateProfileStringA("S", "k", "", 64, "C:\\DRV\\b.ini"), "host");
}

TEST(SimStatedFilesJson, VersionInfoMustBeHexBesideASize) {
  TestMachine machine;
  for (const char* facts : {R"({"size": 4, "versionInfo": "0g"})", R"({"versionInfo": "00"})"}) {
    machine.SetJson(XpJsonWith(std::string(R"("files": {"C:\\x.dll": )") + facts + "}"));
    EXPECT_THROW(machine.Load(), KdxError) << facts;
  }
}

}  // namespace
}  // namespace kdx::test
