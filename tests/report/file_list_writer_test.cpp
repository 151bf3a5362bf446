#include "report/file_list_writer.h"

#include <gtest/gtest.h>

#include "support/memory_file.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using Lines = std::vector<std::string>;

TFileVerInfo Info(const std::string& company, const std::string& fileVersion,
                  const std::string& productVersion, const std::string& size = "45056",
                  const std::string& date = "19.12.2007") {
  return {company, fileVersion, productVersion, date, "10:15:02", size, "A"};
}

/// The file list block a list gives.
Lines Block(const FileList& list) {
  std::string bytes;
  ReportWriter writer(std::make_unique<test::MemoryFile>(bytes));
  WriteFileList(list, writer);
  writer.Close();
  return test::ReportLines(bytes);
}

class FileListTest : public ::testing::Test {
 protected:
  FileListTest() : platform_(machine_.Load()), list_(platform_->System()) {}
  test::TestMachine machine_;
  std::unique_ptr<SimPlatform> platform_;
  FileList list_;
};

TEST_F(FileListTest, LaterFoldersIndentedAndMarkedAgainstTheFirst) {
  list_.Add("KDXMONX.DLL", "C:\\WINDOWS\\SYSTEM32\\", Info("Kelmo", "2.0.0.14", "2.0"));
  list_.Add("KDXMONX.DLL", "C:\\DRIVERS\\3\\", Info("Kelmo", "1.0.0.3", "1.0", "40960"));
  // a third copy with the first one's texts but another size and date is no different file
  list_.Add("KDXMONX.DLL", "C:\\KDX\\", Info("Kelmo", "2.0.0.14", "2.0", "1", "01.01.2001"));
  // the same folder once more, in other letters: nothing changes
  EXPECT_FALSE(list_.Add("KDXMONX.DLL", "c:\\windows\\system32\\", Info("X", "9", "9")));
  EXPECT_EQ(Block(list_),
            (Lines{"('KDXMONX.DLL','2.0.0.14','2.0','C:\\WINDOWS\\SYSTEM32\\','45056','19.12.2007',"
                   "'10:15:02','Kelmo','A'),",
                   "  {Different file}('KDXMONX.DLL','1.0.0.3','1.0','C:\\DRIVERS\\3\\','40960',"
                   "'19.12.2007','10:15:02','Kelmo','A'),",
                   "    ('KDXMONX.DLL','2.0.0.14','2.0','C:\\KDX\\','1','01.01.2001','10:15:02',"
                   "'Kelmo','A'),"}));
}

TEST_F(FileListTest, VersionTextsCompareWithCase) {
  list_.Add("A.DLL", "C:\\ONE\\", Info("Kelmo", "1.0a", "1.0"));
  list_.Add("A.DLL", "C:\\TWO\\", Info("Kelmo", "1.0A", "1.0"));
  list_.Add("B.DLL", "C:\\ONE\\", Info("", "", ""));
  list_.Add("B.DLL", "C:\\TWO\\", Info("", "", ""));
  const Lines lines = Block(list_);
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[1].rfind("  {Different file}('A.DLL'", 0), 0u) << lines[1];
  // two copies without any version resource are the same
  EXPECT_EQ(lines[3].rfind("  ('B.DLL'", 0), 0u) << lines[3];
}

TEST(FileListQuoting, QuotesDoubledNothingElseEscaped) {
  EXPECT_EQ(Quoted("1.0 'beta'"), "'1.0 ''beta'''");
  EXPECT_EQ(Quoted(""), "''");
  EXPECT_EQ(Quoted("a,(b)\\c"), "'a,(b)\\c'");
}

TEST_F(FileListTest, EmptyListWritesNothing) { EXPECT_EQ(Block(list_), Lines{}); }

}  // namespace
}  // namespace kdx
