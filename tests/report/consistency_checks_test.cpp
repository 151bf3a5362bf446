#include "report/consistency_checks.h"

#include <gtest/gtest.h>

#include "platform/errors.h"
#include "report/report_file.h"
#include "support/memory_file.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::CollectorRun;
using test::Win98JsonWith;
using test::XpJsonWith;
using Lines = std::vector<std::string>;

constexpr char kLabelKey[] =
    "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\";
constexpr char kPrintersKey[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Print\\Printers\\";
constexpr char kMonitorKey[] =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\KDXMONX]\r\n";

/// A machine with one fault of each kind the first three checks look for, and faultless
/// entries beside them.
std::string FaultyRegistry() {
  const std::string installed = std::string(kLabelKey) + "Installed Printers\\";
  return installed + "Sz]\r\n\"Port\"=\"USB001\"\r\n" + installed +
         "Expand]\r\n\"Port\"=hex(2):55,00\r\n" + installed + "NoPort]\r\n" + installed +
         "Dword]\r\n\"Port\"=dword:00000001\r\n" + kLabelKey + "Label Types\\ENU]\r\n" + kLabelKey +
         "Label Types\\deu]\r\n" + kLabelKey + "Label Types\\USA]\r\n" + kPrintersKey +
         "Voll]\r\n\"Default DevMode\"=hex:01\r\n" + kPrintersKey +
         "Leer]\r\n\"Default DevMode\"=hex:\r\n" + kPrintersKey + "Ohne]\r\n";
}

/// The lines the checks write for a machine, with the run's flags as given.
Lines CheckLines(CollectorRun& run, bool monitorRunning, bool spoolerRunning) {
  std::string bytes;
  {
    ReportWriter writer(std::make_unique<test::MemoryFile>(bytes));
    run.context.monitorRunning = monitorRunning;
    run.context.spoolerRunning = spoolerRunning;
    WriteConsistencyChecks(run.context, writer);
    writer.Close();
  }
  return test::ReportLines(bytes);
}

// Every fault found, in the order of the checks; the monitor's start type alone is fine.
TEST(ConsistencyChecks, LinesInOrderOnNt) {
  CollectorRun run(XpJsonWith(""), FaultyRegistry() + kMonitorKey + "\"Start\"=dword:00000002\r\n");
  const std::string path =
      "HKLM\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\Installed Printers\\";
  EXPECT_EQ(CheckLines(run, false, false),
            (Lines{"Falscher Datentyp f\xFCr " + path + "Dword\\Port",
                   "Falscher Datentyp f\xFCr " + path + "Expand\\Port",
                   "Falscher L\xE4ndercode f\xFCr Label Types: deu",
                   "Falscher L\xE4ndercode f\xFCr Label Types: USA",
                   "Leerer Default Devmode f\xFCr: Leer", "KDXMONX ist nicht gestartet",
                   "Spooler ist nicht gestartet"}));
}

// Both services running and started automatically: nothing to say.
TEST(ConsistencyChecks, NothingWhenAllIsWell) {
  CollectorRun run(XpJsonWith(""), std::string(kMonitorKey) + "\"Start\"=dword:00000002\r\n");
  EXPECT_TRUE(CheckLines(run, true, true).empty());
}

// Every start type but automatic is reported; a missing service key has its own line.
TEST(ConsistencyChecks, MonitorServiceStartTypes) {
  for (const char* start : {"0", "1", "3", "4"}) {
    CollectorRun run(XpJsonWith(""),
                     std::string(kMonitorKey) + "\"Start\"=dword:0000000" + start + "\r\n");
    EXPECT_EQ(CheckLines(run, true, true), (Lines{"Falsche Startart f\xFCr KDXMONX"})) << start;
  }
  CollectorRun missing(XpJsonWith(""));
  EXPECT_EQ(CheckLines(missing, false, true),
            (Lines{"KDXMONX ist nicht gestartet",
                   "Registry Key KDXMONX konnte nicht ge\366ffnet werden"}));
}

// On Windows 9x the device mode and service checks say nothing.
TEST(ConsistencyChecks, OnlyTheLabelSoftwareChecksOnWindows9x) {
  CollectorRun run(Win98JsonWith(""), FaultyRegistry());
  EXPECT_EQ(CheckLines(run, false, false).size(), 4u);
}

// A "Start" value that is missing or no DWORD ends the report abnormally, before the spooler's
// line.
TEST(ConsistencyChecks, StartOfWrongTypeEndsTheReportAbnormally) {
  for (const char* start : {"", "\"Start\"=\"2\"\r\n"}) {
    CollectorRun run(XpJsonWith(""), std::string(kMonitorKey) + start);
    run.ui.savePath = (run.machine.OutputDir() / "r.txt").string();
    EXPECT_THROW(Button2Click(run.context), ERegistryException);
    const Lines lines = test::ReportLines(test::ReadFileBytes(*run.ui.savePath));
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"", "KDXMONX ist nicht gestartet", "ABNORMAL END OF KDXINFO"}));
  }
}

}  // namespace
}  // namespace kdx
