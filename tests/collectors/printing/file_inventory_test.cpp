#include "collectors/printing/file_inventory.h"

#include <gtest/gtest.h>

#include "support/test_machine.h"

namespace kdx {
namespace {

using test::TableLines;
using test::TestMachine;
using Lines = std::vector<std::string>;

constexpr char kTimes[] = R"("utcOffsetMinutes": 60, "files": {
  "C:\\KDX\\b.dll": {"lastWrite": "2007-12-19 10:15:02"},
  "C:\\KDX\\A.DLL": {"lastWrite": "2007-12-19 10:15:02", "attributes": "N"},
  "C:\\KDX\\hidden.dll": {"attributes": "AH"},
  "C:\\KDX\\system.dll": {"attributes": "AS"},
  "C:\\KDX\\locked.dll": {"lastWrite": "2007-12-19 10:15:02", "openError": 32},
  "C:\\KDX\\sub\\deep.dll": {"lastWrite": "2007-12-19 10:15:02"},
  "C:\\KDX\\hiddendir": {"attributes": "H"},
  "C:\\KDX\\hiddendir\\x.dll": {"lastWrite": "2007-12-19 10:15:02"},
  "C:\\KDX\\sub2\\z.dll": {"lastWrite": "2007-12-19 10:15:02"}})";

/// A machine whose folder C:\KDX holds two plain files, a hidden, a system and a locked one,
/// two subfolders and a hidden one.
class KdxFolder : public TestMachine {
 public:
  KdxFolder() : TestMachine(test::XpJsonWith(kTimes)) {
    for (const char* name : {"b.dll", "A.DLL", "hidden.dll", "system.dll", "locked.dll",
                             "sub\\deep.dll", "hiddendir\\x.dll", "sub2\\z.dll"}) {
      AddFile(std::string("C:\\KDX\\") + name, "x");
    }
  }
};

TEST(ScanFolder, RowsInNameOrderWithoutHiddenOrSystemFiles) {
  const KdxFolder machine;
  test::FolderRun run(machine);
  // a trailing backslash and a doubled one are gone from the files' paths
  ScanFolder(run.context, "C:\\\\KDX\\", "", true);
  EXPECT_EQ(TableLines(run.context),
            (Lines{"C:\\KDX\\A.DLL\t19.12.2007 10:15:02; 1 Byte; N; Version:  / ",
                   "C:\\KDX\\b.dll\t19.12.2007 10:15:02; 1 Byte; A; Version:  / ",
                   // a file that does not open: the error row, then the row without a text
                   "C:\\KDX\\locked.dll\tFehler: Datei nicht gefunden", "C:\\KDX\\locked.dll\t"}));
  EXPECT_EQ(run.ListedFiles(), (Lines{"A.DLL in C:\\KDX\\", "B.DLL in C:\\KDX\\"}));
}

TEST(ScanFolder, FilterAndMissingFolders) {
  const KdxFolder machine;
  test::FolderRun run(machine);
  // the filter is a substring of the upper-cased name: "b.dll" and "A.DLL" hold "DL"
  ScanFolder(run.context, "C:\\KDX", "dl", false);
  // a missing folder gives its row as passed, with or without rows
  ScanFolder(run.context, "C:\\NONE\\", "KDX", false);
  ScanFolder(run.context, "C:\\KDX\\b.dll", "", true);
  EXPECT_EQ(TableLines(run.context), (Lines{"C:\\NONE\\\tVerzeichnis nicht gefunden",
                                            "C:\\KDX\\b.dll\tVerzeichnis nicht gefunden"}));
  EXPECT_EQ(run.ListedFiles(), (Lines{"A.DLL in C:\\KDX\\", "B.DLL in C:\\KDX\\"}));
}

TEST(ScanFolder, FolderThatRefusesItsListingSaysSo) {
  TestMachine machine(test::XpJsonWith(R"("files": {"C:\\KDX": {"openError": 5}})"));
  machine.AddFile("C:\\KDX\\a.dll", "x");
  test::FolderRun run(machine);
  ScanFolder(run.context, "C:\\KDX", "", true);
  EXPECT_EQ(TableLines(run.context),
            (Lines{"C:\\KDX\tVerzeichnis nicht lesbar: Zugriff verweigert"}));
}

TEST(ScanFolderTree, OwnFilesFirstThenEachSubfolderWhole) {
  const KdxFolder machine;
  test::FolderRun run(machine);
  ScanFolderTree(run.context, "C:\\KDX", "", false);
  // the hidden folder is not entered
  EXPECT_EQ(run.ListedFiles(), (Lines{"A.DLL in C:\\KDX\\", "B.DLL in C:\\KDX\\",
                                      "DEEP.DLL in C:\\KDX\\SUB\\", "Z.DLL in C:\\KDX\\SUB2\\"}));
  EXPECT_EQ(TableLines(run.context), Lines{});
}

}  // namespace
}  // namespace kdx
