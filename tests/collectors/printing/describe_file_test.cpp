#include "collectors/printing/describe_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "collectors/printing/file_inventory.h"
#include "platform/errors.h"
#include "support/test_data.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::TestMachine;
using Lines = std::vector<std::string>;

/// machine.json of the minimal XP machine, an hour east of UTC, with these files stated.
std::string MachineWithFiles(const std::string& files) {
  return test::XpJsonWith("\"utcOffsetMinutes\": 60, \"files\": {" + files + "}");
}

TEST(AttributeLetters, FixedOrderAndNormal) {
  EXPECT_EQ(AttributeLetters(kFileAttributeNormal), "N");
  // normal wins over anything else set with it
  EXPECT_EQ(AttributeLetters(kFileAttributeNormal | kFileAttributeArchive), "N");
  EXPECT_EQ(AttributeLetters(kFileAttributeReadOnly | kFileAttributeHidden | kFileAttributeArchive),
            "AHR");
  EXPECT_EQ(AttributeLetters(0x1 | 0x2 | 0x4 | 0x10 | 0x20 | 0x100 | 0x800), "ACDHRST");
  EXPECT_EQ(AttributeLetters(0), "");
}

TEST(DescribeFile, RowTextWithLocalTimeSizeAndAttributes) {
  TestMachine machine(MachineWithFiles(
      R"("C:\\KDX\\a.dll": {"lastWrite": "2007-12-19 10:15:02", "attributes": "AR"},
         "C:\\KDX\\night.dll": {"lastWrite": "2007-12-19 00:00:00"})"));
  machine.AddFile("C:\\KDX\\a.dll", std::string(45056, 'x'));
  machine.AddFile("C:\\KDX\\night.dll", "x");
  test::FolderRun run(machine);
  // a file without a version resource keeps the separators of the texts it lacks
  EXPECT_EQ(DescribeFile(run.context, "C:\\KDX\\a.dll"),
            "19.12.2007 10:15:02; 45056 Byte; AR; Version:  / ");
  // midnight shows the date alone
  EXPECT_EQ(DescribeFile(run.context, "C:\\KDX\\night.dll"), "19.12.2007; 1 Byte; A; Version:  / ");
  EXPECT_EQ(run.ListedFiles(), (Lines{"A.DLL in C:\\KDX\\", "NIGHT.DLL in C:\\KDX\\"}));
}

TEST(DescribeFile, FileThatDoesNotOpenLeavesTheListAlone) {
  TestMachine machine(MachineWithFiles(R"("C:\\KDX\\busy.dll": {"openError": 32})"));
  machine.AddFile("C:\\KDX\\busy.dll", "x");
  test::FolderRun run(machine);
  const auto messageOf = [&](const std::string& path) {
    try {
      DescribeFile(run.context, path);
    } catch (const EFOpenError& error) {
      return std::string(error.what());
    }
    return std::string("no error");
  };
  EXPECT_EQ(messageOf("C:\\KDX\\busy.dll"),
            "Datei C:\\KDX\\busy.dll kann nicht ge\xF6"
            "ffnet werden. Der Prozess kann nicht auf die Datei zugreifen, da sie von einem "
            "anderen Prozess verwendet wird");
  EXPECT_EQ(messageOf("C:\\KDX\\none.dll"),
            "Datei C:\\KDX\\none.dll kann nicht ge\xF6"
            "ffnet werden. Das System kann die angegebene Datei nicht finden");
  EXPECT_EQ(messageOf("C:\\NONE\\none.dll"),
            "Datei C:\\NONE\\none.dll kann nicht ge\xF6"
            "ffnet werden. Das System kann den angegebenen Pfad nicht finden");
  // asked again, a path that did not open gives the same message without a second open
  EXPECT_EQ(messageOf("C:\\KDX\\busy.dll"),
            "Datei C:\\KDX\\busy.dll kann nicht ge\xF6"
            "ffnet werden. Der Prozess kann nicht auf die Datei zugreifen, da sie von einem "
            "anderen Prozess verwendet wird");
  EXPECT_EQ(run.ListedFiles(), Lines{});
  // messages ran after each attempt
  EXPECT_EQ(run.ui.messagePumps, 4);
}

// A driver store file of 5,000,000,000 bytes (sparse on the host): the row shows the low 32
// bits of its size, and its version comes from the resource at its start without the rest
// of the file being read into memory.
TEST(DescribeFile, HugeFileShowsTheLowBitsOfItsSizeAndItsVersion) {
#ifdef _WIN32
  GTEST_SKIP() << "a 32-bit host can neither map nor hold a file of 5 GB";
#endif
  TestMachine machine(MachineWithFiles(
      R"("C:\\WINDOWS\\system32\\DRVSTORE\\huge.sys": {"lastWrite": "2007-12-19 10:15:02"})"));
  machine.AddFile("C:\\WINDOWS\\system32\\DRVSTORE\\huge.sys",
                  test::TestDataFile("pe/kdx_sample_version.dll"));
  const auto platform = machine.Load();
  std::filesystem::resize_file(
      *platform->Files().HostPathOf("C:\\WINDOWS\\system32\\DRVSTORE\\huge.sys"), 5000000000ULL);
  test::FolderRun run(machine);
  ScanFolder(run.context, "C:\\WINDOWS\\system32\\DRVSTORE", "", true);
  EXPECT_EQ(
      test::TableLines(run.context),
      Lines{"C:\\WINDOWS\\system32\\DRVSTORE\\huge.sys\t19.12.2007 10:15:02; 705032704 Byte; A; "
            "Version: 2.0 / 2.0.0.14"});
}

}  // namespace
}  // namespace kdx
