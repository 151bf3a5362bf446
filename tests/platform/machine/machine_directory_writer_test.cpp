#include "platform/machine/machine_directory_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/forwarding.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

/// The files of a machine, whose disk fills once a file whose path ends so is made.
class FillingFiles final : public ForwardingFileSystem {
 public:
  FillingFiles(FileSystem& inner, std::string fullAt)
      : ForwardingFileSystem(inner), fullAt_(std::move(fullAt)) {}
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    const long error = ForwardingFileSystem::CreateOutputFile(path, file);
    if (error == kErrorSuccess && path.ends_with(fullAt_)) {
      file = std::make_unique<FullDisk>(std::move(file));
    }
    return error;
  }

 private:
  struct FullDisk final : ForwardingOutputFile {
    using ForwardingOutputFile::ForwardingOutputFile;
    long Write(const char*, std::size_t) override { return kErrorDiskFull; }
  };
  std::string fullAt_;
};

MachineDirectory SmallDirectory() {
  MachineDirectory directory;
  directory.config.windowsDirectory = "C:\\WINDOWS";
  directory.config.systemDirectory = "C:\\WINDOWS\\system32";
  directory.config.version = OsVersionInfo{5, 1, 2600, 2, ""};
  directory.registry = "REGEDIT4\r\n";
  directory.driveItems = {{DriveItem::Kind::Folder, "drive_c", ""},
                          {DriveItem::Kind::CopiedFile, "drive_c/win.ini", "C:\\WINDOWS\\win.ini"}};
  return directory;
}

long CopyText(const std::string&, OutputFile& out) { return out.Write("[intl]\r\n", 8); }

// What it writes, the replay loads; a disk that fills leaves no machine.json, so that what
// was cut short is not taken for a whole machine, and says which folder is short.
TEST(MachineDirectoryWriterTest, WritesMachineJsonLastAndOnlyWhenAllElseIsThere) {
  test::TestMachine machine;
  const auto platform = machine.Load();
  const fs::path whole = machine.Dir() / "whole";
  MachineDirectoryTotals totals;
  EXPECT_EQ(
      WriteMachineDirectory(SmallDirectory(), platform->Files(), whole.string(), CopyText, totals),
      "");
  EXPECT_EQ(totals.files, 3u);
  EXPECT_EQ(test::ReadFileBytes(whole / "drive_c" / "win.ini"), "[intl]\r\n");
  EXPECT_EQ(SimPlatform(whole).System().GetWindowsDirectoryA(), "C:\\WINDOWS");

  for (const char* full : {"capture.reg", "win.ini"}) {
    FillingFiles filling(platform->Files(), full);
    const fs::path cut = machine.Dir() / (std::string("cut-") + full);
    EXPECT_EQ(WriteMachineDirectory(SmallDirectory(), filling, cut.string(), CopyText, totals),
              "cannot write into " + cut.string() + " (disk full?)");
    EXPECT_FALSE(fs::exists(cut / "machine.json")) << full;
  }
  // A folder that cannot be made: a file of the directory's name is in the way.
  const std::string blocked = (whole / "machine.json").string();
  EXPECT_EQ(WriteMachineDirectory(SmallDirectory(), platform->Files(), blocked, CopyText, totals),
            "cannot make the folder " + blocked + "/drive_c");
}

}  // namespace
}  // namespace kdx
