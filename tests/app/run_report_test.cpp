#include "app/run_report.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "app/collect_all.h"
#include "platform/errors.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::RecordingFrontEnd;
using test::TestMachine;
using Lines = std::vector<std::string>;

struct Fixture {
  explicit Fixture(const TestMachine& machine) : platform(machine.Load()), context(*platform, ui) {}
  std::unique_ptr<SimPlatform> platform;
  RecordingFrontEnd ui;
  RunContext context;
};

TEST(Progress, AdvancesByQuarterAndWrapsPastHundred) {
  int progress = 0;
  std::vector<int> seen;
  seen.reserve(11);
  for (int tick = 0; tick < 11; ++tick) seen.push_back(progress = NextProgress(progress));
  EXPECT_EQ(seen, (std::vector<int>{25, 50, 75, 100, 0, 25, 50, 75, 100, 0, 25}));
}

TEST(RunReport, StatusLinesOfACompleteRunComeInOrder) {
  TestMachine machine;
  Fixture run(machine);
  run.ui.savePath = (machine.OutputDir() / "r.txt").string();
  EXPECT_EQ(RunReport(run.context), RunOutcome::Written);
  EXPECT_EQ(run.ui.instructionsShown, 1);
  EXPECT_EQ(run.ui.statuses,
            (std::vector<std::string>{
                "Allgemeine Informationen", "Laufwerke", "Laufende Prozesse", "USB Drucker",
                "Infos \374ber Dexta Label Software Konfiguration",
                "Datei-Infos (KDX und Druckertreiber)", "INI-Dateien und Temp-Dir",
                "Installierte Drucker", "Programm-Pfade", "System Event Log",
                "Application Event Log", "Dateiname", "Datei speichern", "Registry"}));
  EXPECT_EQ(run.context.statusLog, run.ui.statuses);
  EXPECT_TRUE(run.ui.errors.empty());
}

TEST(RunReport, CancelledSaveWritesNoFile) {
  TestMachine machine;
  Fixture run(machine);
  EXPECT_EQ(RunReport(run.context), RunOutcome::Cancelled);
  EXPECT_EQ(run.ui.saveDialogs, 1);
  EXPECT_TRUE(std::filesystem::is_empty(machine.OutputDir()));
  EXPECT_TRUE(run.ui.errors.empty());
}

TEST(RunReport, UncaughtCollectorErrorIsShownOnceAndWritesNoFile) {
  TestMachine machine;
  // A processor speed stored as a text longer than four bytes cannot be fetched as a number,
  // and nothing catches that.
  machine.AddReg(
      "cpu.reg",
      "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0]\n"
      "\"~MHz\"=\"2959\"\n");
  Fixture run(machine);
  run.ui.savePath = (machine.OutputDir() / "r.txt").string();
  EXPECT_EQ(RunReport(run.context), RunOutcome::Failed);
  EXPECT_EQ(run.ui.errors, (std::vector<std::string>{"Fehler beim Holen der Daten f\xFCr '~MHz'"}));
  EXPECT_EQ(run.ui.saveDialogs, 0);
  EXPECT_TRUE(std::filesystem::is_empty(machine.OutputDir()));
}

TEST(RunReport, ErrorMessageGetsFullStopOnlyWhenItEndsInAnotherCharacter) {
  EXPECT_EQ(MessageForDisplay("Datei nicht gefunden"), "Datei nicht gefunden.");
  EXPECT_EQ(MessageForDisplay("Fertig."), "Fertig.");
  // A closing blank or hyphen is below the full stop: nothing is added.
  EXPECT_EQ(MessageForDisplay("Fehler "), "Fehler ");
  EXPECT_EQ(MessageForDisplay("Fehler-"), "Fehler-");
  EXPECT_EQ(MessageForDisplay("Fehler:"), "Fehler:.");
  EXPECT_EQ(MessageForDisplay(""), ".");
}

TEST(CollectAll, MissingWindowsFolderEndsCollectionWithHeadingRowOnly) {
  TestMachine machine(R"({"windowsDirectory": null, "systemDirectory": "C:\\WINDOWS\\system32",
                          "version": null})");
  Fixture run(machine);
  run.context.AddReportRow("left over", "from before");
  CollectAll(run.context);
  EXPECT_EQ(run.context.table.Rows().size(), 1u);
  EXPECT_EQ(run.ui.statuses, (std::vector<std::string>{"Allgemeine Informationen"}));
}

TEST(CollectAll, MissingSystemFolderEndsCollectionButKeepsWindowsFolder) {
  TestMachine machine(R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": null,
                          "version": null, "localTime": "2026-12-06 22:23:38"})");
  Fixture run(machine);
  run.ui.savePath = (machine.OutputDir() / "r.txt").string();
  CollectAll(run.context);
  EXPECT_EQ(run.context.table.Rows().size(), 1u);
  EXPECT_EQ(run.context.windowsDir, "C:\\WINDOWS");
  // The report is still written: its table part is empty.
  EXPECT_EQ(RunReport(run.context), RunOutcome::Written);
  const auto lines = test::ReportLines(test::ReadFileBytes(machine.OutputDir() / "r.txt"));
  ASSERT_GE(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[KDXINFO2.9.2]");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines.back(), "END OF KDXINFO");
}

TEST(CollectAll, TempCheckErrorBecomesOneRowAndTheSequenceGoesOn) {
  TestMachine machine;
  machine.AddReg("temp.reg",
                 "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\"
                 "Session Manager\\Environment]\n\"TEMP\"=dword:00000001\n");
  Fixture run(machine);
  CollectAll(run.context);
  const auto lines = test::TableLines(run.context);
  const auto error = std::find(lines.begin(), lines.end(),
                               "ERROR(CheckTMPDir)\tUng\374ltiger Datentyp f\374r 'TEMP'");
  ASSERT_NE(error, lines.end());
  // two empty rows after win.ini's section, the block's opening row, the error, one empty row
  ASSERT_GE(error - lines.begin(), 3);
  EXPECT_EQ(Lines(error - 3, error + 2), (Lines{"\t", "\t", "[Check TEMP Dir]\t", *error, "\t"}));
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "[END Check TEMP Dir]\t"), 0);
}

}  // namespace
}  // namespace kdx
