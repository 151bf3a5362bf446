#include "collectors/printing/file_inventory.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/counting_platform.h"
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

// A folder scanned once per filter is asked for once: one folder test and one listing, each
// file opened once however many filters take it; a missing folder still gives its row each
// time.
TEST(ScanFolder, OneListingForEveryFilter) {
  const KdxFolder machine;
  test::FolderRun run(machine);
  test::CountingPlatform counting(*run.platform);
  RunContext context(counting, run.ui);
  for (const char* filter : {"DLL", "B.", "A", "DLL"}) {
    ScanFolder(context, "C:\\KDX", filter, true);
    ScanFolder(context, "C:\\NONE", filter, false);
  }
  const std::string a = "C:\\KDX\\A.DLL\t19.12.2007 10:15:02; 1 Byte; N; Version:  / ";
  const std::string b = "C:\\KDX\\b.dll\t19.12.2007 10:15:02; 1 Byte; A; Version:  / ";
  const Lines locked = {"C:\\KDX\\locked.dll\tFehler: Datei nicht gefunden",
                        "C:\\KDX\\locked.dll\t"};
  const std::string none = "C:\\NONE\tVerzeichnis nicht gefunden";
  Lines expected = {a, b, locked[0], locked[1], none, b, none, a, none, a, b};
  expected.insert(expected.end(), locked.begin(), locked.end());
  expected.push_back(none);
  EXPECT_EQ(TableLines(context), expected);
  EXPECT_EQ(counting.Files().listings, (std::map<std::string, int>{{"C:\\KDX", 1}}));
  EXPECT_EQ(counting.Files().attributeQueries,
            (std::map<std::string, int>{{"C:\\KDX", 1}, {"C:\\NONE", 1}}));
  EXPECT_EQ(counting.Files().opens,
            (std::map<std::string, int>{
                {"C:\\KDX\\A.DLL", 1}, {"C:\\KDX\\b.dll", 1}, {"C:\\KDX\\locked.dll", 1}}));
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

// Folder links (reparse points) are not entered: neither host links back into the tree nor
// folders machine.json marks as links; a link out of the drive leads nowhere.
TEST(ScanFolderTree, SkipsFolderLinks) {
#ifdef _WIN32
  GTEST_SKIP() << "the machine's links are the POSIX host's symbolic links";
#endif
  KdxFolder machine;
  const std::filesystem::path kdx = machine.Dir() / "drive_c" / "KDX";
  std::filesystem::create_directory_symlink(kdx, kdx / "sub" / "back");
  std::filesystem::create_directory_symlink(kdx / "sub", kdx / "sub2" / "across");
  std::filesystem::create_directory_symlink(machine.Dir(), machine.Dir() / "drive_c" / "out");
  test::FolderRun run(machine);
  ScanFolderTree(run.context, "C:\\KDX", "", false);
  ScanFolderTree(run.context, "C:\\out", "", false);
  EXPECT_EQ(run.ListedFiles(), (Lines{"A.DLL in C:\\KDX\\", "B.DLL in C:\\KDX\\",
                                      "DEEP.DLL in C:\\KDX\\SUB\\", "Z.DLL in C:\\KDX\\SUB2\\"}));
  EXPECT_EQ(TableLines(run.context), Lines{"C:\\out\tVerzeichnis nicht gefunden"});
}

// A folder is listed under its absolute form however the caller spells it, so one folder is
// one line of the file list.
TEST(ScanFolder, ListsFilesUnderTheFoldersAbsoluteForm) {
  const KdxFolder machine;
  test::FolderRun run(machine);
  for (const char* spelling :
       {"C:/KDX/sub", "C:\\KDX\\.\\sub", "C:\\KDX\\x\\..\\sub\\", "C:\\KDX\\sub"}) {
    ScanFolder(run.context, spelling, "", true);
  }
  const std::string row = "C:\\KDX\\sub\\deep.dll\t19.12.2007 10:15:02; 1 Byte; A; Version:  / ";
  EXPECT_EQ(TableLines(run.context), Lines(4, row));
  EXPECT_EQ(run.ListedFiles(), Lines{"DEEP.DLL in C:\\KDX\\SUB\\"});
}

constexpr char kDriverDir[] = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\";

/// The row of a scan of a folder that does not exist.
std::string Missing(const std::string& folder) { return folder + "\tVerzeichnis nicht gefunden"; }

/// The folders of an NT and of a Windows 98 machine as the steps before the inventory leave
/// them.
void SettleFolders(RunContext& context, bool nt) {
  context.isNT = nt;
  context.windowsDir = "C:\\WINDOWS";
  context.systemDir = nt ? "C:\\WINDOWS\\system32\\" : "C:\\WINDOWS\\SYSTEM\\";
  context.driverDir = kDriverDir;
  context.v4AppDir = "C:\\KDX4";
  context.v5AppDir = nt ? "" : "C:\\KDX5";
  context.commonFilesDir = nt ? "C:\\Programme\\Gemeinsame Dateien" : "";
}

/// The rows of the 16 filtered scans of the INF and system folders when none of them exists:
/// once per filter KDX, USB, DY and LW.
Lines EveryFilteredFolderMissing() {
  Lines rows(4, Missing("C:\\WINDOWS\\INF"));
  rows.insert(rows.end(), 4, Missing("C:\\WINDOWS\\INF\\OTHER"));
  for (int filter = 0; filter < 4; ++filter) {
    rows.push_back(Missing("C:\\WINDOWS\\SYSTEM32"));
    rows.push_back(Missing("C:\\WINDOWS\\SYSTEM32\\DRIVERS"));
  }
  return rows;
}

Lines Joined(Lines first, const Lines& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(CollectFileInventory, ScansEveryStepsFolderInOrder) {
  const std::string driverDir = kDriverDir;
  const struct {
    bool nt;
    Lines rows;
  } cases[] = {
      // NT: the driver folders and the driver store first; no version 5, so no scan of it
      {true,
       Joined(Joined({Missing(driverDir), Missing(driverDir + "2"), Missing(driverDir + "3"), "\t",
                      "########\t########", "DRVSTORE\t",
                      Missing("C:\\WINDOWS\\system32\\DRVSTORE"), "########\t########", "\t"},
                     EveryFilteredFolderMissing()),
              {Missing("C:\\WINDOWS\\KELMO"), Missing("C:\\WINDOWS\\KMI"), Missing("C:\\KDX4"),
               Missing("C:\\Programme\\Gemeinsame Dateien\\Dexta Label v5")})},
      // Windows 98: no driver folders; an empty common files folder leaves a bare backslash
      {false, Joined(EveryFilteredFolderMissing(),
                     {Missing("C:\\WINDOWS\\KELMO"), Missing("C:\\WINDOWS\\KMI"),
                      Missing("C:\\KDX4"), Missing("C:\\KDX5"), Missing("\\Dexta Label v5")})},
  };
  for (const auto& c : cases) {
    const TestMachine machine;
    test::FolderRun run(machine);
    SettleFolders(run.context, c.nt);
    TRegistry registry(run.platform->Registry());
    CollectFileInventory(run.context, registry);
    EXPECT_EQ(TableLines(run.context), c.rows) << (c.nt ? "NT" : "98");
    EXPECT_EQ(run.ListedFiles(), Lines{});
  }
}

constexpr char kInventoryFacts[] = R"("utcOffsetMinutes": 60, "files": {
  "C:\\WINDOWS\\system32\\DRVSTORE\\kdxusb.inf": {"lastWrite": "2007-12-19 10:15:02"},
  "C:\\WINDOWS\\system32\\DRVSTORE\\locked.cat": {"openError": 32}})";

/// A machine with files in every folder the inventory scans but the KMI folder, the INF\OTHER
/// folder spelt in its own case, and files each filter takes or leaves.
class InventoryMachine : public TestMachine {
 public:
  InventoryMachine() : TestMachine(test::XpJsonWith(kInventoryFacts)) {
    for (const char* path : {
             "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\kdxui.dll",
             "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\3\\KDXUI.DLL",
             "C:\\WINDOWS\\system32\\DRVSTORE\\kdxusb.inf",
             "C:\\WINDOWS\\system32\\DRVSTORE\\locked.cat",
             // the driver store is scanned without its subfolders
             "C:\\WINDOWS\\system32\\DRVSTORE\\kdx_1\\deep.inf",
             "C:\\WINDOWS\\INF\\kdxusb.inf",
             "C:\\WINDOWS\\INF\\xdyz.pnf",
             "C:\\WINDOWS\\INF\\lw450.inf",
             "C:\\WINDOWS\\INF\\mdmgen.inf",
             "C:\\WINDOWS\\INF\\Other\\oemkdx.inf",
             "C:\\WINDOWS\\system32\\kdxmon.dll",
             "C:\\WINDOWS\\system32\\usbmon.dll",
             "C:\\WINDOWS\\system32\\notepad.exe",
             "C:\\WINDOWS\\system32\\drivers\\KDXUSB.SYS",
             "C:\\WINDOWS\\system32\\drivers\\usbprint.sys",
             "C:\\WINDOWS\\Kelmo\\kelmo.hlp",
             "C:\\KDX4\\kdxwin.exe",
             "C:\\KDX4\\Labels\\lager.lbl",
             "C:\\Programme\\Gemeinsame Dateien\\Dexta Label v5\\core.dll",
         }) {
      AddFile(path, "x");
    }
  }
};

TEST(CollectFileInventory, RowsAndListedFilesOfEachStep) {
  const std::string store = "C:\\WINDOWS\\system32\\DRVSTORE\\";
  // the files every Windows version's steps describe, in the list's order
  const Lines everyVersion = {"KDXMON.DLL in C:\\WINDOWS\\SYSTEM32\\",
                              "KDXUSB.INF in C:\\WINDOWS\\INF\\",
                              "KDXUSB.SYS in C:\\WINDOWS\\SYSTEM32\\DRIVERS\\",
                              "KDXWIN.EXE in C:\\KDX4\\",
                              "KELMO.HLP in C:\\WINDOWS\\KELMO\\",
                              "LAGER.LBL in C:\\KDX4\\LABELS\\",
                              "LW450.INF in C:\\WINDOWS\\INF\\",
                              "OEMKDX.INF in C:\\WINDOWS\\INF\\OTHER\\",
                              "USBMON.DLL in C:\\WINDOWS\\SYSTEM32\\",
                              "USBPRINT.SYS in C:\\WINDOWS\\SYSTEM32\\DRIVERS\\",
                              "XDYZ.PNF in C:\\WINDOWS\\INF\\"};
  const struct {
    bool nt;
    Lines rows;
    Lines listed;
  } cases[] = {
      {true,
       {Missing(std::string(kDriverDir) + "2"), "\t", "########\t########", "DRVSTORE\t",
        store + "kdxusb.inf\t19.12.2007 10:15:02; 1 Byte; A; Version:  / ",
        // a file the driver store holds locked: the error row, then the one without a text
        store + "locked.cat\tFehler: Datei nicht gefunden", store + "locked.cat\t",
        "########\t########", "\t", Missing("C:\\WINDOWS\\KMI")},
       {"CORE.DLL in C:\\PROGRAMME\\GEMEINSAME DATEIEN\\DEXTA LABEL V5\\",
        "KDXMON.DLL in C:\\WINDOWS\\SYSTEM32\\",
        "KDXUI.DLL in C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\",
        "KDXUI.DLL in C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\W32X86\\3\\",
        // the driver store's copy was described first
        "KDXUSB.INF in C:\\WINDOWS\\SYSTEM32\\DRVSTORE\\", "KDXUSB.INF in C:\\WINDOWS\\INF\\",
        "KDXUSB.SYS in C:\\WINDOWS\\SYSTEM32\\DRIVERS\\", "KDXWIN.EXE in C:\\KDX4\\",
        "KELMO.HLP in C:\\WINDOWS\\KELMO\\", "LAGER.LBL in C:\\KDX4\\LABELS\\",
        "LW450.INF in C:\\WINDOWS\\INF\\", "OEMKDX.INF in C:\\WINDOWS\\INF\\OTHER\\",
        "USBMON.DLL in C:\\WINDOWS\\SYSTEM32\\", "USBPRINT.SYS in C:\\WINDOWS\\SYSTEM32\\DRIVERS\\",
        "XDYZ.PNF in C:\\WINDOWS\\INF\\"}},
      // Windows 98 leaves the driver folders and the driver store alone
      {false,
       {Missing("C:\\WINDOWS\\KMI"), Missing("C:\\KDX5"), Missing("\\Dexta Label v5")},
       everyVersion},
  };
  for (const auto& c : cases) {
    const InventoryMachine machine;
    test::FolderRun run(machine);
    SettleFolders(run.context, c.nt);
    TRegistry registry(run.platform->Registry());
    CollectFileInventory(run.context, registry);
    EXPECT_EQ(TableLines(run.context), c.rows) << (c.nt ? "NT" : "98");
    EXPECT_EQ(run.ListedFiles(), c.listed) << (c.nt ? "NT" : "98");
  }
}

// A 64-bit Windows shows the program SysWOW64 under the name SYSTEM32. The inventory scans the
// native driver folders after the x86 ones, the real system folder through Sysnative and
// SysWOW64 under its own name, and lists each file where it lies. XP x64 has no Sysnative: its
// SYSTEM32 scans see SysWOW64, and the real folder's files are not seen.
TEST(CollectFileInventory, SixtyFourBitWindowsListsBothSystemFoldersUnderTheirOwnNames) {
  const std::string native = "C:\\WINDOWS\\system32\\spool\\drivers\\x64\\";
  const std::string wow64 = Missing("C:\\WINDOWS\\SYSWOW64\\DRIVERS");
  const struct {
    std::pair<std::uint32_t, std::uint32_t> version;
    Lines missingPerFilter;
    Lines listed;
  } cases[] = {
      {{10, 0},
       {wow64},
       {"KDX410.DLL in C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\X64\\3\\",
        "KDXMONX.DLL in C:\\WINDOWS\\SYSTEM32\\", "KDXMONX.DLL in C:\\WINDOWS\\SYSWOW64\\",
        "KDXUSB.SYS in C:\\WINDOWS\\SYSTEM32\\DRIVERS\\"}},
      {{5, 2},
       {Missing("C:\\WINDOWS\\SYSTEM32\\DRIVERS"), wow64},
       {"KDX410.DLL in C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\X64\\3\\",
        "KDXMONX.DLL in C:\\WINDOWS\\SYSWOW64\\"}},
  };
  for (const auto& c : cases) {
    TestMachine machine(
        R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS\\system32",
        "architecture": "x64", "version": {"platformId": 2, "major": )" +
        std::to_string(c.version.first) + ", \"minor\": " + std::to_string(c.version.second) +
        "}}");
    machine.AddFile(native + "3\\KDX410.DLL", "x");
    machine.AddFile("C:\\WINDOWS\\System32\\kdxmonx.dll", "64");
    machine.AddFile("C:\\WINDOWS\\System32\\drivers\\kdxusb.sys", "64");
    machine.AddFile("C:\\WINDOWS\\SysWOW64\\kdxmonx.dll", "32");
    test::FolderRun run(machine);
    SettleFolders(run.context, true);
    run.context.nativeDriverDir = native;
    run.context.wow64View.emplace(c.version.first, c.version.second, "C:\\WINDOWS\\");
    TRegistry registry(run.platform->Registry());
    CollectFileInventory(run.context, registry);
    // the rows of the native driver folders, then those of the system folders for each filter
    Lines expected = {Missing(native + "2")};
    for (int filter = 0; filter < 4; ++filter) expected = Joined(expected, c.missingPerFilter);
    Lines rows;
    for (const std::string& row : TableLines(run.context)) {
      if (row.starts_with(native) || row.starts_with("C:\\WINDOWS\\SYS")) rows.push_back(row);
    }
    EXPECT_EQ(rows, expected) << c.version.first;
    EXPECT_EQ(run.ListedFiles(), c.listed) << c.version.first;
  }
}

constexpr char kSharedDlls[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs]\r\n"
    // registered where a filtered scan finds it too; copies in the Windows and System folders
    "\"C:\\\\WINDOWS\\\\SYSTEM32\\\\KDXMON.DLL\"=dword:00000001\r\n"
    // taken for "Dexta Label" in its folder; copies in three of the candidate folders
    "\"C:\\\\Programme\\\\Dexta Label\\\\dlabel.dll\"=dword:00000001\r\n"
    // neither KDX nor Dexta Label: left alone, copies and all
    "\"C:\\\\Programme\\\\Other\\\\plain.dll\"=dword:00000002\r\n"
    // missing where registered; of its copies, one is too old to count as a file
    "\"C:\\\\Programme\\\\Gone\\\\kdxgone.dll\"=dword:00000001\r\n"
    // held where registered and in the System folder; the Windows folder's copy still counts
    "\"C:\\\\Programme\\\\Held\\\\kdxheld.dll\"=dword:00000001\r\n";

constexpr char kSharedDllFacts[] = R"("files": {
  "C:\\WINDOWS\\kdxgone.dll": {"lastWrite": "1979-12-31 12:00:00"},
  "C:\\Programme\\Held\\kdxheld.dll": {"openError": 32},
  "C:\\WINDOWS\\System\\KDXHELD.DLL": {"openError": 32}})";

TEST(CollectFileInventory, SharedLibrariesAndTheirCopiesGoToTheListOnly) {
  TestMachine machine(test::Win98JsonWith(kSharedDllFacts));
  machine.AddReg("shared.reg", std::string("REGEDIT4\r\n") + kSharedDlls);
  for (const char* path : {
           "C:\\WINDOWS\\System32\\kdxmon.dll",
           "C:\\WINDOWS\\kdxmon.dll",
           "C:\\WINDOWS\\System\\kdxmon.dll",
           "C:\\Programme\\Dexta Label\\dlabel.dll",
           "C:\\WINDOWS\\System32\\dlabel.dll",
           "C:\\WINDOWS\\System\\dlabel.dll",
           "C:\\WINDOWS\\dlabel.dll",
           "C:\\Programme\\Other\\plain.dll",
           "C:\\WINDOWS\\plain.dll",
           "C:\\WINDOWS\\kdxgone.dll",
           "C:\\WINDOWS\\System\\kdxgone.dll",
           "C:\\Programme\\Held\\kdxheld.dll",
           "C:\\WINDOWS\\System\\KDXHELD.DLL",
           "C:\\WINDOWS\\kdxheld.dll",
           "C:\\WINDOWS\\Kelmo\\readme.txt",
           "C:\\WINDOWS\\KMI\\readme.txt",
       }) {
    machine.AddFile(path, "x");
  }
  test::FolderRun run(machine);
  SettleFolders(run.context, false);
  run.context.v4AppDir.clear();
  run.context.v5AppDir.clear();
  TRegistry registry(run.platform->Registry());
  CollectFileInventory(run.context, registry);
  // the rows are the scans' own: this step adds none
  Lines rows(4, Missing("C:\\WINDOWS\\INF"));
  rows.insert(rows.end(), 4, Missing("C:\\WINDOWS\\INF\\OTHER"));
  rows.insert(rows.end(), 4, Missing("C:\\WINDOWS\\SYSTEM32\\DRIVERS"));
  rows.push_back(Missing("\\Dexta Label v5"));
  EXPECT_EQ(TableLines(run.context), rows);
  // candidate folders in their order: Windows, Kelmo, KMI, System, System32
  EXPECT_EQ(run.ListedFiles(),
            (Lines{"DLABEL.DLL in C:\\PROGRAMME\\DEXTA LABEL\\", "DLABEL.DLL in C:\\WINDOWS\\",
                   "DLABEL.DLL in C:\\WINDOWS\\SYSTEM\\", "DLABEL.DLL in C:\\WINDOWS\\SYSTEM32\\",
                   "KDXGONE.DLL in C:\\WINDOWS\\SYSTEM\\", "KDXHELD.DLL in C:\\WINDOWS\\",
                   "KDXMON.DLL in C:\\WINDOWS\\SYSTEM32\\", "KDXMON.DLL in C:\\WINDOWS\\",
                   "KDXMON.DLL in C:\\WINDOWS\\SYSTEM\\", "README.TXT in C:\\WINDOWS\\KELMO\\",
                   "README.TXT in C:\\WINDOWS\\KMI\\"}));
}

}  // namespace
}  // namespace kdx
