#include "collectors/system/temp_dir_check.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::TableLines;
using Lines = std::vector<std::string>;

/// An XP machine whose clock reads 2026-12-06 22:23:38, an hour ahead of UTC, with the given
/// environment and file facts, one-byte files at the files' paths and the registry lines.
class TempMachine : public test::TestMachine {
 public:
  TempMachine(const std::string& environment, const std::string& files, const Lines& paths,
              const std::string& reg = "")
      : TestMachine(R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS",
             "version": {"major": 5, "minor": 1, "build": 2600, "platformId": 2},
             "localTime": "2026-12-06 22:23:38", "utcOffsetMinutes": 60, "environment": )" +
                    environment + R"(, "files": )" + files + "}") {
    AddReg("t.reg", "REGEDIT4\n" + reg);
    for (const std::string& path : paths) AddFile(path, "x");
  }
};

constexpr char kRegTempKey[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]\n";

TEST(CheckTempDir, NtListsTodaysEntriesOfTheSystemThenTheUserFolder) {
  const TempMachine machine(
      R"({"SystemRoot": "C:\\WINDOWS", "USERPROFILE": "C:\\Profil", "TEMP": "%USERPROFILE%\\T"})",
      R"({"C:\\WINDOWS\\TEMP\\a.log": {"lastWrite": "2026-12-06 21:40:15"},
          "C:\\WINDOWS\\TEMP\\old.log": {"lastWrite": "2026-12-05 23:59:59"},
          "C:\\WINDOWS\\TEMP\\mid.tmp": {"lastWrite": "2026-12-06 00:00:00"},
          "C:\\WINDOWS\\TEMP\\hid.tmp": {"lastWrite": "2026-12-06 10:00:00", "attributes": "AH"},
          "C:\\WINDOWS\\TEMP\\sys.tmp": {"lastWrite": "2026-12-06 10:00:00", "attributes": "AS"},
          "C:\\WINDOWS\\TEMP\\sub": {"lastWrite": "2026-12-06 10:00:00"},
          "C:\\WINDOWS\\TEMP\\sub\\in.dll": {"lastWrite": "2007-12-19 10:15:02"},
          "C:\\Profil\\T\\u.txt": {"lastWrite": "2026-12-06 22:23:38"}})",
      {"C:\\WINDOWS\\TEMP\\a.log", "C:\\WINDOWS\\TEMP\\old.log", "C:\\WINDOWS\\TEMP\\mid.tmp",
       "C:\\WINDOWS\\TEMP\\hid.tmp", "C:\\WINDOWS\\TEMP\\sys.tmp", "C:\\WINDOWS\\TEMP\\sub\\in.dll",
       "C:\\Profil\\T\\u.txt"},
      // %SystemRoot%\TEMP as REG_EXPAND_SZ
      std::string(kRegTempKey) +
          "\"TEMP\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,54,45,4d,50,00\n");
  test::FolderRun run(machine);
  CheckTempDir(run.context);
  // yesterday 23:59:59 is out, today 00:00:00 (yesterday in UTC) is in, hidden and system
  // entries are out; a subfolder of today shows its files whatever their date
  const std::string inRow = "C:\\WINDOWS\\TEMP\\sub\\in.dll\t19.12.2007 10:15:02; 1 Byte; A; ";
  EXPECT_EQ(TableLines(run.context),
            (Lines{"[Check TEMP Dir]\t", "C:\\WINDOWS\\TEMP\\a.log\t",
                   "C:\\WINDOWS\\TEMP\\mid.tmp\t", "C:\\WINDOWS\\TEMP\\sub\t",
                   inRow + "Version:  / ", "C:\\Profil\\T\\u.txt\t", "[END Check TEMP Dir]\t"}));
  EXPECT_EQ(run.ListedFiles(),
            (Lines{"A.LOG in C:\\WINDOWS\\TEMP\\", "IN.DLL in C:\\WINDOWS\\TEMP\\SUB\\",
                   "MID.TMP in C:\\WINDOWS\\TEMP\\", "U.TXT in C:\\PROFIL\\T\\"}));
}

TEST(CheckTempDir, SameFolderTwiceWithDoubledBackslashAndFileErrors) {
  // the registry names C:\TEMP, the process C:\TEMP\ (the same folder)
  const TempMachine machine(
      R"({"TEMP": "C:\\TEMP\\"})",
      R"({"C:\\TEMP\\a.spl": {"lastWrite": "2026-12-06 08:00:00", "openError": 32},
          "C:\\TEMP\\b.log": {"lastWrite": "2026-12-06 08:00:00"}})",
      {"C:\\TEMP\\a.spl", "C:\\TEMP\\b.log"},
      std::string(kRegTempKey) + "\"TEMP\"=\"C:\\\\TEMP\"\n");
  test::FolderRun run(machine);
  CheckTempDir(run.context);
  const std::string locked =
      "ERROR(CheckTMPDir)\tDatei C:\\TEMP\\a.spl kann nicht ge\366ffnet werden. Der Prozess ";
  const std::string reason =
      "kann nicht auf die Datei zugreifen, da sie von einem anderen "
      "Prozess verwendet wird";
  // the key doubles the backslash, the file is opened with one
  EXPECT_EQ(TableLines(run.context),
            (Lines{"[Check TEMP Dir]\t", "C:\\TEMP\\a.spl\t", locked + reason, "C:\\TEMP\\b.log\t",
                   "C:\\TEMP\\\\a.spl\t", locked + reason, "C:\\TEMP\\\\b.log\t",
                   "[END Check TEMP Dir]\t"}));
  EXPECT_EQ(run.ListedFiles(), Lines{"B.LOG in C:\\TEMP\\"});
}

TEST(CheckTempDir, FileErrorsNameTheAbsolutePathAndDotsResolve) {
  // the registry spells the folder with ".", the process with "/" and ".." through a folder
  // that does not exist
  const TempMachine machine(
      R"({"TEMP": "C:/Temp/Sys/../../Temp/User"})",
      R"({"C:\\Temp\\User\\lock.tmp": {"lastWrite": "2026-12-06 08:00:00", "openError": 32}})",
      {"C:\\Temp\\User\\lock.tmp"},
      std::string(kRegTempKey) + "\"TEMP\"=\"C:\\\\Temp\\\\.\\\\User\"\n");
  test::FolderRun run(machine);
  CheckTempDir(run.context);
  const std::string locked =
      "ERROR(CheckTMPDir)\tDatei C:\\Temp\\User\\lock.tmp kann nicht ge\366ffnet werden. Der "
      "Prozess kann nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet wird";
  EXPECT_EQ(TableLines(run.context),
            (Lines{"[Check TEMP Dir]\t", "C:\\Temp\\.\\User\\lock.tmp\t", locked,
                   "C:/Temp/Sys/../../Temp/User\\lock.tmp\t", locked, "[END Check TEMP Dir]\t"}));
}

TEST(CheckTempDir, MissingAndUnreadableFolders) {
  struct Case {
    const char* environment;
    const char* files;
    Lines rows;
  };
  const Case cases[] = {
      // no TEMP value in the registry: no row for the system folder
      {R"({"TEMP": "C:\\NONE"})", "{}", {"C:\\NONE\tVerzeichnis nicht gefunden"}},
      // no TEMP variable: the empty path
      {"{}", "{}", {"\tVerzeichnis nicht gefunden"}},
      {R"({"TEMP": "C:\\T"})",
       R"({"C:\\T": {"openError": 5}})",
       {"C:\\T\tVerzeichnis nicht lesbar: Zugriff verweigert"}},
      // a search that finds nothing at all, as on an empty drive root
      {R"({"TEMP": "C:\\T"})", R"({"C:\\T": {"openError": 2}})", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.environment);
    const TempMachine machine(c.environment, c.files, {"C:\\T\\a.log"});
    test::FolderRun run(machine);
    CheckTempDir(run.context);
    Lines rows = c.rows;
    rows.insert(rows.begin(), "[Check TEMP Dir]\t");
    rows.emplace_back("[END Check TEMP Dir]\t");
    EXPECT_EQ(TableLines(run.context), rows);
  }
}

TEST(CheckTempDir, RegistryValueOfWrongTypeLeavesTheCheckWithoutItsClosingRow) {
  const TempMachine machine(R"({"TEMP": "C:\\T"})", "{}", {},
                            std::string(kRegTempKey) + "\"TEMP\"=dword:00000001\n");
  test::FolderRun run(machine);
  EXPECT_THROW(CheckTempDir(run.context), ERegistryException);
  EXPECT_EQ(TableLines(run.context), Lines{"[Check TEMP Dir]\t"});
}

TEST(CheckTempDir, Windows98TakesTheVariableUnexpandedAndNoRegistryFolder) {
  for (const char* temp : {"C:\\\\WINDOWS\\\\TEMP", "%windir%\\\\TEMP"}) {
    SCOPED_TRACE(temp);
    test::TestMachine machine(test::Win98JsonWith(
        std::string(R"("environment": {"windir": "C:\\WINDOWS", "TEMP": ")") + temp +
        R"("}, "files": {"C:\\WINDOWS\\TEMP\\~A.TMP": {"lastWrite": "2007-01-03 08:59:30"},
                        "C:\\T\\b.tmp": {"lastWrite": "2007-01-03 08:59:30"}})"));
    machine.AddReg("t.reg", std::string("REGEDIT4\n") + kRegTempKey + "\"TEMP\"=\"C:\\\\T\"\n");
    machine.AddFile("C:\\WINDOWS\\TEMP\\~A.TMP", "x");
    machine.AddFile("C:\\T\\b.tmp", "x");
    test::FolderRun run(machine);
    run.context.isNT = false;
    CheckTempDir(run.context);
    EXPECT_EQ(TableLines(run.context)[1], temp[0] == '%'
                                              ? "%windir%\\TEMP\tVerzeichnis nicht gefunden"
                                              : "C:\\WINDOWS\\TEMP\\~A.TMP\t");
    EXPECT_EQ(TableLines(run.context).size(), 3u);
  }
}

}  // namespace
}  // namespace kdx
