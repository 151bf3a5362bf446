#include "report/report_file.h"

#include <gtest/gtest.h>

#include "collectors/system/general_info.h"
#include "platform/errors.h"
#include "platform/registry.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::ReadFileBytes;
using test::RecordingFrontEnd;
using test::TestMachine;

std::vector<std::string> Split(const std::vector<std::string>& chunks) {
  std::vector<std::string> lines;
  LogLineSplitter splitter([&](std::string_view line) { lines.emplace_back(line); });
  for (const auto& chunk : chunks) splitter.Feed(chunk);
  splitter.Finish();
  return lines;
}

using Lines = std::vector<std::string>;

TEST(LogLineSplitter, LineEndsAndSpecialBytes) {
  EXPECT_EQ(Split({"a\r\nb\nc"}), (Lines{"a", "b", "c"}));
  // A final terminator adds no empty line; empty lines inside stay.
  EXPECT_EQ(Split({"a\r\n\r\nb\r\n"}), (Lines{"a", "", "b"}));
  // A CR without LF is dropped from the line.
  EXPECT_EQ(Split({"a\rb\r\r\nc"}), (Lines{"ab", "c"}));
  // 0x1A ends the file; the line before it still counts.
  EXPECT_EQ(Split({"a\r\nb\x1A"
                   "c\r\nd"}),
            (Lines{"a", "b"}));
  EXPECT_EQ(Split({""}), Lines{});
  // A CR LF split across two reads is still one terminator.
  EXPECT_EQ(Split({"a\r", "\nb"}), (Lines{"a", "b"}));
  EXPECT_EQ(Split({std::string("a\0b\n", 4)}), (Lines{std::string("a\0b", 3)}));
}

TEST(DpinstLine, DropsNulsAndTheLastCharacter) {
  EXPECT_EQ(ConvertDpinstLine("abc"), "ab");
  EXPECT_EQ(ConvertDpinstLine(std::string("a\0b\0", 4)), "ab");
  EXPECT_EQ(ConvertDpinstLine("x"), "");
  EXPECT_EQ(ConvertDpinstLine(""), "");
  // The last character goes whatever it is, even a NUL-free one.
  EXPECT_EQ(ConvertDpinstLine(std::string("\0a", 2)), "");
}

TEST(ReportFileName, TwoDigitFieldsAndComputerName) {
  SystemTime time;
  time.year = 2026;
  time.month = 12;
  time.day = 6;
  time.hour = 22;
  time.minute = 23;
  time.second = 38;
  EXPECT_EQ(FileNameTime(time), "06_12_26_22_23_38");
  EXPECT_EQ(ProposedFileName("PC01", time), "KDXINFO_PC01_06_12_26_22_23_38.txt");
  // An unknown computer name leaves two underscores in a row.
  EXPECT_EQ(ProposedFileName("", time), "KDXINFO__06_12_26_22_23_38.txt");
  time.year = 2000;
  time.hour = 0;
  EXPECT_EQ(FileNameTime(time), "06_12_00_00_23_38");
}

enum class Outcome { Written, Cancelled, Failed };

/// The general information of a machine, then its report file, with the errors shown as the
/// run shows them; the report goes to out/r.txt.
struct ReportRun {
  explicit ReportRun(const TestMachine& machine)
      : platform(machine.Load()), context(*platform, ui) {
    path = machine.OutputDir() / "r.txt";
    ui.savePath = path.string();
  }
  Outcome Go() {
    TRegistry registry(platform->Registry());
    registry.SelectRoot(kHKeyLocalMachine);
    try {
      CollectGeneralInfo(context, registry);
      return Button2Click(context) ? Outcome::Written : Outcome::Cancelled;
    } catch (const KdxError& error) {
      ui.errors.push_back(MessageForDisplay(error.what()));
    }
    return Outcome::Failed;
  }
  Lines ReportLines() const { return test::ReportLines(ReadFileBytes(path)); }
  std::unique_ptr<SimPlatform> platform;
  RecordingFrontEnd ui;
  RunContext context;
  std::filesystem::path path;
};

const char kRuler[] =
    "##############################################################################################"
    "######";

/// The lines from the first table line that follows SESSIONNAME up to "REGEDIT4".
Lines LogBlock(const Lines& lines) {
  auto begin = std::find_if(lines.begin(), lines.end(),
                            [](const std::string& l) { return l.rfind("SESSIONNAME", 0) == 0; });
  auto end = std::find(lines.begin(), lines.end(), "REGEDIT4");
  return Lines(begin + 1, end + 1);
}

TEST(ReportFile, WithoutLogFilesTwoEmptyLinesLeadToTheRegistryBlock) {
  TestMachine machine;
  ReportRun run(machine);
  ASSERT_EQ(run.Go(), Outcome::Written);
  EXPECT_EQ(LogBlock(run.ReportLines()), (Lines{"", "", kRuler, "", "REGEDIT4"}));
}

TEST(ReportFile, LogFilesInOrderWithTheirHeadings) {
  TestMachine machine;
  machine.AddFile("C:\\WINDOWS\\KELMO\\kdxerror.log", "e1\r\ne2");
  machine.AddFile("C:\\WINDOWS\\Faultlog.txt", "");
  const std::string utf16 = std::string(
      "\xFF\xFE"
      "a\0b\0\r\0\n\0c\0",
      12);
  machine.AddFile("C:\\WINDOWS\\dpinst.log", utf16);
  ReportRun run(machine);
  ASSERT_EQ(run.Go(), Outcome::Written);
  // dpinst.log read as 8-bit text: the BOM stays, each line loses its last byte and its NULs.
  EXPECT_EQ(LogBlock(run.ReportLines()),
            (Lines{kRuler, "", "KdxError.log:", "e1", "e2", "", kRuler, "", "Faultlog.txt:", kRuler,
                   "", "dpinst.log:", "\xFF\xFE\x61\x62", "c", "", kRuler, "", "REGEDIT4"}));
}

TEST(ReportFile, LogFileNamesIgnoreCaseAndFollowWindowsFolder) {
  TestMachine machine(R"({"windowsDirectory": "D:\\WINNT", "systemDirectory": "D:\\WINNT\\system32",
                          "version": null, "localTime": "2026-12-06 22:23:38"})");
  machine.AddFile("D:\\winnt\\faultlog.TXT", "f\n");
  ReportRun run(machine);
  ASSERT_EQ(run.Go(), Outcome::Written);
  EXPECT_EQ(LogBlock(run.ReportLines()),
            (Lines{"", kRuler, "", "Faultlog.txt:", "f", "", kRuler, "", "REGEDIT4"}));
}

TEST(ReportFile, FrameLinesOfACompleteReport) {
  TestMachine machine;
  ReportRun run(machine);
  ASSERT_EQ(run.Go(), Outcome::Written);
  const Lines lines = run.ReportLines();
  EXPECT_EQ(lines.front(), "[KDXINFO2.9.2]");
  EXPECT_EQ(lines[1], "Windows XP 5.1 Service Pack 2 (2600)\t");
  // With none of the exported keys present only the comment after the first one remains; on
  // a machine without the monitor service the checks find it and the spooler not started.
  const Lines tail(lines.end() - 14, lines.end());
  EXPECT_EQ(tail, (Lines{"REGEDIT4", "", ";  Driver Signing: 0:ignore; 1:ask; 2:deny", "",
                         "[REGEDIT END]", "", "[FILELIST]", "[FILELIST END]", "",
                         "KDXMONX ist nicht gestartet",
                         "Registry Key KDXMONX konnte nicht ge\366ffnet werden",
                         "Spooler ist nicht gestartet", "", "END OF KDXINFO"}));
}

TEST(ReportFile, ProposesNameAndDesktopFolder) {
  TestMachine machine;
  machine.AddReg("d.reg",
                 "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                 "Explorer\\Shell Folders]\n\"Desktop\"=\"C:\\\\Dokumente\\\\Desktop\"\n"
                 "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\"
                 "ActiveComputerName]\n\"ComputerName\"=\"PC01\"\n");
  ReportRun run(machine);
  ASSERT_EQ(run.Go(), Outcome::Written);
  EXPECT_EQ(run.ui.offeredName, "KDXINFO_PC01_06_12_26_22_23_38.txt");
  EXPECT_EQ(run.ui.offeredFolder, "C:\\Dokumente\\Desktop");
}

TEST(ReportFile, DesktopOfWrongTypeFailsBeforeTheDialog) {
  TestMachine machine;
  machine.AddReg("d.reg",
                 "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\"
                 "Explorer\\Shell Folders]\n\"Desktop\"=dword:00000001\n");
  ReportRun run(machine);
  EXPECT_EQ(run.Go(), Outcome::Failed);
  EXPECT_EQ(run.ui.saveDialogs, 0);
  EXPECT_FALSE(std::filesystem::exists(run.path));
}

TEST(ReportFile, WriteFailureMidwayEndsWithAbnormalEndMarker) {
  // The disk refuses one write after 300 bytes, then takes bytes again.
  TestMachine machine(
      std::string(test::kMinimalXpJson)
          .replace(std::string(test::kMinimalXpJson).rfind('}'), 1,
                   R"(, "reportFile": {"failAfterBytes": 300, "errorCode": 101, "failures": 1}})"));
  ReportRun run(machine);
  EXPECT_EQ(run.Go(), Outcome::Failed);
  EXPECT_EQ(run.ui.errors, (Lines{"Zu wenig Speicherplatz."}));
  const std::string bytes = ReadFileBytes(run.path);
  ASSERT_EQ(bytes.size(), 300u + std::string("ABNORMAL END OF KDXINFO\r\n").size());
  EXPECT_EQ(bytes.substr(0, 16), "[KDXINFO2.9.2]\r\n");
  EXPECT_EQ(bytes.substr(300), "ABNORMAL END OF KDXINFO\r\n");
}

TEST(ReportFile, LastingWriteFailureLeavesWhatFitAndReportsTheError) {
  TestMachine machine(std::string(test::kMinimalXpJson)
                          .replace(std::string(test::kMinimalXpJson).rfind('}'), 1,
                                   R"(, "reportFile": {"failAfterBytes": 100, "errorCode": 32}})"));
  ReportRun run(machine);
  EXPECT_EQ(run.Go(), Outcome::Failed);
  EXPECT_EQ(run.ui.errors, (Lines{"E/A-Fehler 32."}));
  EXPECT_EQ(ReadFileBytes(run.path).size(), 100u);
}

TEST(ReportFile, RefusedFirstLineFailsWithoutAnAbnormalEnd) {
  // The disk refuses the first write only, then takes bytes again.
  TestMachine machine(std::string(test::kMinimalXpJson)
                          .replace(std::string(test::kMinimalXpJson).rfind('}'), 1,
                                   R"(, "reportFile": {"failAfterBytes": 0, "failures": 1}})"));
  ReportRun run(machine);
  EXPECT_EQ(run.Go(), Outcome::Failed);
  EXPECT_EQ(run.ui.errors, (Lines{"Zu wenig Speicherplatz."}));
  EXPECT_EQ(ReadFileBytes(run.path), "");
}

TEST(ReportFile, UncreatableFileFailsWithoutAnyLine) {
  TestMachine machine;
  ReportRun run(machine);
  run.ui.savePath = (machine.OutputDir() / "missing" / "r.txt").string();
  EXPECT_EQ(run.Go(), Outcome::Failed);
  EXPECT_EQ(run.ui.errors, (Lines{"Ung\xFCltiger Dateiname."}));
}

}  // namespace
}  // namespace kdx
