#include "collectors/system/temp_dir_check.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::CollectorRun;
using Lines = std::vector<std::string>;

/// An XP machine whose clock reads 2026-12-06 22:23:38, an hour ahead of UTC, with the
/// given environment and file facts.
std::string XpJson(const std::string& environment, const std::string& files) {
  return R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS\\system32",
             "version": {"major": 5, "minor": 1, "build": 2600, "platformId": 2},
             "localTime": "2026-12-06 22:23:38", "utcOffsetMinutes": 60,
             "environment": )" +
         environment + R"(, "files": )" + files + "}";
}

constexpr char kSystemTempReg[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment]\n"
    "\"TEMP\"=hex(2):25,53,79,73,74,65,6d,52,6f,6f,74,25,5c,54,45,4d,50,00\n";  // %SystemRoot%\TEMP

Lines ListedFiles(const RunContext& context) {
  Lines lines;
  context.fileList.ForEach([&](const std::string& name, const std::vector<FolderEntry>& folders) {
    for (const FolderEntry& entry : folders) lines.push_back(name + " in " + entry.folder);
  });
  return lines;
}

/// Adds one-byte files below a folder given with its closing backslash.
void AddFiles(test::TestMachine& machine, const std::string& folder, const Lines& names) {
  for (const std::string& name : names) machine.AddFile(folder + name, "x");
}

TEST(CheckTempDir, NtListsTodaysEntriesOfTheSystemThenTheUserFolder) {
  CollectorRun run(XpJson(R"({"SystemRoot": "C:\\WINDOWS", "USERPROFILE": "C:\\Profil",
                              "TEMP": "%USERPROFILE%\\Temp"})",
                          R"({
      "C:\\WINDOWS\\TEMP\\a.log": {"lastWrite": "2026-12-06 21:40:15"},
      "C:\\WINDOWS\\TEMP\\old.log": {"lastWrite": "2026-12-05 23:59:59"},
      "C:\\WINDOWS\\TEMP\\mid.tmp": {"lastWrite": "2026-12-06 00:00:00"},
      "C:\\WINDOWS\\TEMP\\hidden.tmp": {"lastWrite": "2026-12-06 10:00:00", "attributes": "AH"},
      "C:\\WINDOWS\\TEMP\\sys.tmp": {"lastWrite": "2026-12-06 10:00:00", "attributes": "AS"},
      "C:\\WINDOWS\\TEMP\\hiddendir": {"lastWrite": "2026-12-06 10:00:00", "attributes": "H"},
      "C:\\WINDOWS\\TEMP\\hiddendir\\in.dll": {"lastWrite": "2026-12-06 10:00:00"},
      "C:\\WINDOWS\\TEMP\\sub": {"lastWrite": "2026-12-06 10:00:00"},
      "C:\\WINDOWS\\TEMP\\sub\\inner.dll": {"lastWrite": "2007-12-19 10:15:02"},
      "C:\\WINDOWS\\TEMP\\olddir": {"lastWrite": "2026-11-30 10:00:00"},
      "C:\\WINDOWS\\TEMP\\olddir\\x.dll": {"lastWrite": "2026-12-06 10:00:00"},
      "C:\\Profil\\Temp\\u.txt": {"lastWrite": "2026-12-06 22:23:38"}})"),
                   kSystemTempReg);
  AddFiles(run.machine, "C:\\WINDOWS\\TEMP\\",
           {"a.log", "old.log", "mid.tmp", "hidden.tmp", "sys.tmp", "hiddendir\\in.dll",
            "sub\\inner.dll", "olddir\\x.dll"});
  AddFiles(run.machine, "C:\\Profil\\Temp\\", {"u.txt"});
  CheckTempDir(run.context);
  // yesterday 23:59:59 is out, today 00:00:00 (yesterday in UTC) is in; hidden and system
  // entries are out; a subfolder of today shows its files whatever their date
  const std::string innerRow =
      "C:\\WINDOWS\\TEMP\\sub\\inner.dll\t19.12.2007 10:15:02; 1 Byte; A; Version:  / ";
  EXPECT_EQ(run.Rows(), (Lines{"[Check TEMP Dir]\t", "C:\\WINDOWS\\TEMP\\a.log\t",
                               "C:\\WINDOWS\\TEMP\\mid.tmp\t", "C:\\WINDOWS\\TEMP\\sub\t", innerRow,
                               "C:\\Profil\\Temp\\u.txt\t", "[END Check TEMP Dir]\t"}));
  EXPECT_EQ(ListedFiles(run.context),
            (Lines{"A.LOG in C:\\WINDOWS\\TEMP\\", "INNER.DLL in C:\\WINDOWS\\TEMP\\SUB\\",
                   "MID.TMP in C:\\WINDOWS\\TEMP\\", "U.TXT in C:\\PROFIL\\TEMP\\"}));
}

TEST(CheckTempDir, NtListsTheSameFolderTwiceWhenBothNameIt) {
  CollectorRun run(XpJson(R"({"TEMP": "C:\\TEMP"})",
                          R"({"C:\\TEMP\\a.log": {"lastWrite": "2026-12-06 08:00:00"}})"),
                   "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
                   "Environment]\n\"TEMP\"=\"C:\\\\TEMP\"\n");
  AddFiles(run.machine, "C:\\TEMP\\", {"a.log"});
  CheckTempDir(run.context);
  EXPECT_EQ(run.Rows(), (Lines{"[Check TEMP Dir]\t", "C:\\TEMP\\a.log\t", "C:\\TEMP\\a.log\t",
                               "[END Check TEMP Dir]\t"}));
  EXPECT_EQ(ListedFiles(run.context), Lines{"A.LOG in C:\\TEMP\\"});
}

TEST(CheckTempDir, MissingFoldersAndValues) {
  struct Case {
    const char* environment;
    const char* reg;
    Lines rows;
  };
  const Case cases[] = {
      // no TEMP value in the registry: no row for the system folder
      {R"({"TEMP": "C:\\NONE"})",
       "",
       {"[Check TEMP Dir]\t", "C:\\NONE\tVerzeichnis nicht gefunden", "[END Check TEMP Dir]\t"}},
      // a registry folder that does not exist, and no TEMP variable at all
      {"{}",
       kSystemTempReg,
       {"[Check TEMP Dir]\t", "%SystemRoot%\\TEMP\tVerzeichnis nicht gefunden",
        "\tVerzeichnis nicht gefunden", "[END Check TEMP Dir]\t"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.environment);
    CollectorRun run(XpJson(c.environment, "{}"), c.reg);
    CheckTempDir(run.context);
    EXPECT_EQ(run.Rows(), c.rows);
  }
}

TEST(CheckTempDir, TrailingBackslashDoublesInTheKeysOnly) {
  CollectorRun run(XpJson(R"({"TEMP": "C:\\TEMP\\"})",
                          R"({"C:\\TEMP\\a.log": {"lastWrite": "2026-12-06 08:00:00"},
                              "C:\\TEMP\\sub": {"lastWrite": "2026-12-06 08:00:00"},
                              "C:\\TEMP\\sub\\b.dll": {"lastWrite": "2026-12-06 08:00:00"}})"));
  AddFiles(run.machine, "C:\\TEMP\\", {"a.log", "sub\\b.dll"});
  CheckTempDir(run.context);
  EXPECT_EQ(run.Rows(), (Lines{"[Check TEMP Dir]\t", "C:\\TEMP\\\\a.log\t", "C:\\TEMP\\\\sub\t",
                               "C:\\TEMP\\sub\\b.dll\t06.12.2026 08:00:00; 1 Byte; A; Version:  / ",
                               "[END Check TEMP Dir]\t"}));
  EXPECT_EQ(ListedFiles(run.context), (Lines{"A.LOG in C:\\TEMP\\", "B.DLL in C:\\TEMP\\SUB\\"}));
}

constexpr char kLockedRow[] =
    "ERROR(CheckTMPDir)\tDatei C:\\TEMP\\a.spl kann nicht ge\366ffnet werden. Der Prozess kann "
    "nicht auf die Datei zugreifen, da sie von einem anderen Prozess verwendet wird";

TEST(CheckTempDir, FileThatDoesNotOpenGivesItsErrorRowAndTheListingGoesOn) {
  CollectorRun run(XpJson(R"({"TEMP": "C:\\TEMP"})",
                          R"({"C:\\TEMP\\a.spl": {"lastWrite": "2026-12-06 08:00:00",
                                                  "openError": 32},
                              "C:\\TEMP\\b.log": {"lastWrite": "2026-12-06 08:00:00"}})"));
  AddFiles(run.machine, "C:\\TEMP\\", {"a.spl", "b.log"});
  CheckTempDir(run.context);
  EXPECT_EQ(run.Rows(), (Lines{"[Check TEMP Dir]\t", "C:\\TEMP\\a.spl\t", kLockedRow,
                               "C:\\TEMP\\b.log\t", "[END Check TEMP Dir]\t"}));
  EXPECT_EQ(ListedFiles(run.context), Lines{"B.LOG in C:\\TEMP\\"});
}

TEST(CheckTempDir, FolderThatRefusesItsListingSaysSo) {
  CollectorRun run(XpJson(R"({"TEMP": "C:\\TEMP"})", R"({"C:\\TEMP": {"openError": 5}})"));
  AddFiles(run.machine, "C:\\TEMP\\", {"a.log"});
  CheckTempDir(run.context);
  EXPECT_EQ(run.Rows(),
            (Lines{"[Check TEMP Dir]\t", "C:\\TEMP\tVerzeichnis nicht lesbar: Zugriff verweigert",
                   "[END Check TEMP Dir]\t"}));
}

TEST(CheckTempDir, RegistryValueOfWrongTypeLeavesTheCheck) {
  CollectorRun run(XpJson(R"({"TEMP": "C:\\TEMP"})", "{}"),
                   "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\"
                   "Environment]\n\"TEMP\"=dword:00000001\n");
  EXPECT_THROW(
      {
        try {
          CheckTempDir(run.context);
        } catch (const ERegistryException& error) {
          EXPECT_STREQ(error.what(), "Ung\374ltiger Datentyp f\374r 'TEMP'");
          throw;
        }
      },
      ERegistryException);
  // the closing row is missing
  EXPECT_EQ(run.Rows(), Lines{"[Check TEMP Dir]\t"});
}

TEST(CheckTempDir, Windows98TakesTheVariableUnexpandedAndNoRegistryFolder) {
  struct Case {
    const char* temp;
    Lines rows;
  };
  const Case cases[] = {
      {"C:\\\\WINDOWS\\\\TEMP",
       {"[Check TEMP Dir]\t", "C:\\WINDOWS\\TEMP\\~GLH0012.TMP\t", "[END Check TEMP Dir]\t"}},
      {"%windir%\\\\TEMP",
       {"[Check TEMP Dir]\t", "%windir%\\TEMP\tVerzeichnis nicht gefunden",
        "[END Check TEMP Dir]\t"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.temp);
    CollectorRun run(test::Win98JsonWith(std::string(R"("environment": {"windir": "C:\\WINDOWS",
                                                          "TEMP": ")") +
                                         c.temp + R"("}, "files": {
        "C:\\WINDOWS\\TEMP\\~GLH0012.TMP": {"lastWrite": "2007-01-03 08:59:30"},
        "C:\\WINDOWS\\TEMP\\SETUP.LOG": {"lastWrite": "2007-01-02 09:05:04"}})"),
                     kSystemTempReg);
    AddFiles(run.machine, "C:\\WINDOWS\\TEMP\\", {"~GLH0012.TMP", "SETUP.LOG"});
    CheckTempDir(run.context);
    EXPECT_EQ(run.Rows(), c.rows);
  }
}

}  // namespace
}  // namespace kdx
