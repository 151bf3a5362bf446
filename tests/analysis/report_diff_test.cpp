// Every part of the report compared: the XP sample against a copy changed in one part.
#include "analysis/report_diff.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "analysis/report_reader.h"
#include "support/report_samples.h"

namespace kdx::analysis {
namespace {

struct PartCase {
  DiffPart part;
  const char* from;
  const char* to;
  ChangeKind change;
  const char* subject;
};

const PartCase kParts[] = {
    {DiffPart::Windows, "Service Pack 2 (2600)", "Service Pack 3 (2600)", ChangeKind::Changed,
     "Windows"},
    {DiffPart::Drives, "FreeAvailable:    12 GigaByte", "FreeAvailable:    30 Megabyte",
     ChangeKind::Changed, "C:\\ FreeAvailable"},
    {DiffPart::Services, "SPOOLER Status 4: RUNNING", "SPOOLER Status 1: STOPPED",
     ChangeKind::Changed, "SPOOLER"},
    {DiffPart::Processes, "\tC:\\WINDOWS\\Explorer.EXE\r\n", "", ChangeKind::Removed,
     "C:\\WINDOWS\\Explorer.EXE"},
    {DiffPart::Ports, "\tCOM2:\tLocal Port\tLokaler Anschluss\r\n", "", ChangeKind::Removed,
     "COM2:"},
    {DiffPart::LabelSoftware, "gewählter Drucker\tDexta KD-410", "gewählter Drucker\tDexta KD-420",
     ChangeKind::Changed, "Software V4: gewählter Drucker"},
    {DiffPart::LabelSoftware, "\tPrinter=Dexta KD-410", "\tPrinter=Dexta KD-420",
     ChangeKind::Changed, "C:\\WINDOWS\\kelmokdx.ini [KDX] Printer"},
    {DiffPart::Inventory, "C:\\WINDOWS\\KMI\tVerzeichnis nicht gefunden\r\n", "",
     ChangeKind::Removed, "C:\\WINDOWS\\KMI"},
    {DiffPart::IniFiles, "\tsTimeFormat=HH:mm:ss", "\tsTimeFormat=H:mm:ss", ChangeKind::Changed,
     "C:\\WINDOWS\\win.ini [intl] sTimeFormat"},
    {DiffPart::TempDir, "C:\\WINDOWS\\TEMP\\~DF3A21.tmp\t\r\n", "", ChangeKind::Removed,
     "C:\\WINDOWS\\TEMP\\~DF3A21.tmp"},
    // A dependent file no longer found is one change, whichever folder held it.
    {DiffPart::Printers, "3\\KDX410.DLL\t30.11.2007 16:44:58; 4096 Byte; A; Version: 3.1 / 3.1.0.2",
     "KDX410.DLL\tFehler: Datei nicht gefunden", ChangeKind::Changed, "Dexta KD-410: KDX410.DLL"},
    {DiffPart::ProgramPaths, "KelmoUpdate.exe\tFehler: Datei nicht gefunden",
     "KelmoUpdate.exe\t15.06.2009 12:00:00; 4096 Byte; A; Version: 1.0 / 1.0.0.1",
     ChangeKind::Changed, "C:\\Programme\\Kelmo\\Update\\KelmoUpdate.exe"},
    // Event records are compared by what is newer than the older report's newest record.
    {DiffPart::EventLog, "EventLog\tSystem\r\n",
     "EventLog\tSystem\r\nERROR|Print\t07.12.2026 08:00:00\r\n\tDruck fehlgeschlagen\r\n",
     ChangeKind::Added, "System: ERROR|Print"},
    {DiffPart::LogFiles, "KDXMONX  Monitor gestartet", "KDXMONX  Monitor beendet",
     ChangeKind::Added, "KdxError.log: 06.12.2026 10:02:44  KDXMONX  Monitor beendet"},
    {DiffPart::Registry, "\"BeepEnabled\"=dword:00000000", "\"BeepEnabled\"=dword:00000001",
     ChangeKind::Changed,
     "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\BeepEnabled"},
    {DiffPart::Files, "'C:\\WINDOWS\\INF\\','48'", "'C:\\WINDOWS\\INF\\','49'", ChangeKind::Changed,
     "C:\\WINDOWS\\INF\\USBPRINT.INF"},
    {DiffPart::Checks, "Falscher Ländercode für Label Types: USA\r\n", "", ChangeKind::Removed,
     "Falscher Ländercode für Label Types: USA"},
    {DiffPart::Findings, "Falscher Ländercode für Label Types: USA\r\n", "", ChangeKind::Removed,
     "check-country-code: USA"},
    {DiffPart::Findings, "Administrator\tTRUE", "Administrator\tFALSE", ChangeKind::Added,
     "not-administrator: Administrator"},
};

ReportDiff Diff(const std::string& before, const std::string& after) {
  const Report oldReport = ReadReport(before);
  const Report newReport = ReadReport(after);
  const ReportFacts oldFacts = GatherFacts(oldReport);
  const ReportFacts newFacts = GatherFacts(newReport);
  ReportDiff diff = DiffReports(oldFacts, FindFindings(oldFacts), newFacts, FindFindings(newFacts));
  // The computers' names are views into the reports, which go now.
  diff.oldComputer = diff.newComputer = {};
  return diff;
}

TEST(ReportDiff, ComparesEveryPartOfTheReport) {
  const std::string xp = test::GoldenReport("winxp_de");
  EXPECT_TRUE(Diff(xp, xp).changes.empty());
  for (const PartCase& c : kParts) {
    SCOPED_TRACE(c.subject);
    const ReportDiff diff = Diff(xp, test::Edited(xp, c.from, c.to));
    const auto found =
        std::find_if(diff.changes.begin(), diff.changes.end(), [&](const Change& change) {
          return change.part == c.part && change.change == c.change && change.subject == c.subject;
        });
    ASSERT_NE(found, diff.changes.end());
    // One change in its part, but for the findings an edit brings.
    if (c.part != DiffPart::Findings) {
      EXPECT_EQ(std::count_if(diff.changes.begin(), diff.changes.end(),
                              [&](const Change& change) { return change.part == c.part; }),
                c.part == DiffPart::LogFiles ? 2 : 1);
    }
  }
}

// A key exported twice: a change in its second export is the subject's second occurrence.
TEST(ReportDiff, CountsASubjectThatOccursAgain) {
  const std::string xp = test::GoldenReport("winxp_de");
  std::string changed = xp;
  const std::string value = "\"NoInstallClass\"=\"1\"";
  changed.replace(changed.rfind(value), value.size(), "\"NoInstallClass\"=\"0\"");
  const ReportDiff diff = Diff(xp, changed);
  ASSERT_EQ(diff.changes.size(), 1U);
  EXPECT_EQ(diff.changes[0].subject,
            "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Class\\{4D36E979-E325-11CE-"
            "BFC1-08002BE10318}\\NoInstallClass #2");
  EXPECT_EQ(diff.changes[0].oldLine, 615U);
}

// Reports of different computers are compared all the same, with their names for a warning.
TEST(ReportDiff, SaysWhenTheComputersDiffer) {
  const std::string xp = test::GoldenReport("winxp_de");
  const std::string other =
      test::Edited(xp, "ActiveComputerName\tBUERO-PC07", "ActiveComputerName\tLAGER-PC");
  const Report oldReport = ReadReport(xp);
  const Report newReport = ReadReport(other);
  const ReportFacts oldFacts = GatherFacts(oldReport);
  const ReportFacts newFacts = GatherFacts(newReport);
  const ReportDiff diff = DiffReports(oldFacts, {}, newFacts, {});
  EXPECT_FALSE(diff.SameComputer());
  EXPECT_EQ(diff.newComputer, "LAGER-PC");
  ASSERT_EQ(diff.changes.size(), 1U);
  EXPECT_EQ(diff.changes[0].subject, "ActiveComputerName");
}

}  // namespace
}  // namespace kdx::analysis
