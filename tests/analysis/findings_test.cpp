// Each rule of the catalogue on a report that shows it and on one that does not: the sample
// reports, and edited copies for what the sample machines do not have.
#include "analysis/findings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "analysis/report_reader.h"
#include "platform/text_encoding.h"
#include "support/report_samples.h"

namespace kdx::analysis {
namespace {

struct Replacement {
  const char* from = nullptr;
  const char* to = nullptr;
};

struct ReportEdit {
  const char* golden;
  Replacement replacements[2] = {};
};

struct RuleCase {
  const char* code;
  ReportEdit shows;
  std::size_t evidence;  // a line the finding must name
  ReportEdit hides;      // no finding of the code names that line
};

std::string Apply(const ReportEdit& edit) {
  std::string report = test::GoldenReport(edit.golden);
  for (const Replacement& replacement : edit.replacements) {
    if (replacement.from != nullptr) report = test::Edited(report, replacement.from, replacement.to);
  }
  return report;
}

std::vector<Finding> FindingsOf(const std::string& bytes) {
  const Report report = ReadReport(bytes);
  return FindFindings(GatherFacts(report));
}

const Finding* Citing(const std::vector<Finding>& findings, std::string_view code,
                      std::size_t line) {
  for (const Finding& finding : findings) {
    if (finding.code == code &&
        std::find(finding.lines.begin(), finding.lines.end(), line) != finding.lines.end()) {
      return &finding;
    }
  }
  return nullptr;
}

constexpr char kMonitorStart[] =
    "\"Start\"=dword:00000003\r\n\"ErrorControl\"=dword:00000001\r\n\"ImagePath\"=\"C:\\Programme";
constexpr char kOwnFiles[] = "\"Configuration File\"=\"kdxui.dll\"\r\n\"Data File\"=\"kdx410.gpd\"";

const RuleCase kCases[] = {
    {"report-cut-short", {"winxp_de", {{"\r\nEND OF", "\r\nABNORMAL END OF"}}}, 738, {"winxp_de"}},
    {"not-administrator",
     {"winxp_de", {{"Administrator\tTRUE", "Administrator\tFALSE"}}},
     10,
     {"winxp_de"}},
    // A stopped monitor is one error: its row, its list line, its start value, both checks.
    {"check-monitor-not-started",
     {"winxp_de"},
     736,
     {"winxp_de", {{"KDXMONX Status 1: STOPPED", "KDXMONX Status 4: RUNNING"}}}},
    // Without the rights the service manager answers nothing: the check line says nothing.
    {"check-monitor-not-started",
     {"winxp_de"},
     735,
     {"winxp_de",
      {{"Service\tKDXMONX Status 1: STOPPED",
        "Error\tOpenScManager failed Error 5: Zugriff verweigert"},
       {"Administrator\tTRUE", "Administrator\tFALSE"}}}},
    {"check-monitor-start-type",
     {"winxp_de", {{"KDXMONX Status 1: STOPPED", "KDXMONX Status 4: RUNNING"}}},
     736,
     {"winxp_de"}},
    {"monitor-disabled",
     {"winxp_de",
      {{kMonitorStart,
        "\"Start\"=dword:00000004\r\n\"ErrorControl\"=dword:00000001\r\n"
        "\"ImagePath\"=\"C:\\Programme"}}},
     626,
     {"winxp_de"}},
    {"check-monitor-key-missing",
     {"winxp_de",
      {{"Falsche Startart für KDXMONX", "Registry Key KDXMONX konnte nicht geöffnet werden"}}},
     736,
     {"winxp_de"}},
    {"check-spooler-not-started",
     {"winxp_de", {{"SPOOLER Status 4: RUNNING", "SPOOLER Status 1: STOPPED"}}},
     40,
     {"winxp_de"}},
    {"service-not-running",
     {"winxp_de", {{"KDXUSB Status 4: RUNNING", "KDXUSB Status 1: STOPPED"}}},
     42,
     {"winxp_de"}},
    // KDXUSB has its key, a list line and an event source; KDXMONGUARD nothing but its row.
    {"service-not-installed",
     {"winxp_de",
      {{"Service\tKDXUSB Status 4: RUNNING",
        "Error\tOpenService KDXUSB failed Error 1060: Der angegebene Dienst ist kein "
        "installierter Dienst"}}},
     42,
     {"winxp_de"}},
    // Without the rights it is the administrator finding's.
    {"service-state-unknown",
     {"winxp_de",
      {{"Service\tKDXUSB Status 4: RUNNING",
        "Error\tOpenScManager failed Error 5: Zugriff verweigert"}}},
     42,
     {"winxp_de",
      {{"Service\tKDXUSB Status 4: RUNNING",
        "Error\tOpenScManager failed Error 5: Zugriff verweigert"},
       {"Administrator\tTRUE", "Administrator\tFALSE"}}}},
    {"check-port-type",
     {"winxp_de"},
     732,
     {"winxp_de", {{"Falscher Datentyp", "Anderer Datentyp"}}}},
    {"check-country-code",
     {"winxp_de"},
     733,
     {"winxp_de", {{"Falscher Ländercode für Label Types: USA\r\n", ""}}}},
    {"check-empty-devmode", {"winxp_de"}, 734, {"winxp_de", {{"Leerer Default", "Default"}}}},
    {"check-unknown",
     {"winxp_de", {{"\r\n\r\nEND OF", "\r\nNeue Prüfung\r\n\r\nEND OF"}}},
     737,
     {"winxp_de"}},
    {"file-versions-differ", {"winxp_de"}, 712, {"win98se_de"}},
    {"printer-without-driver",
     {"winxp_de"},
     202,
     {"winxp_de", {{"ERROR: Fax\t(Kein Printer Driver Eintrag!)\r\n", ""}}}},
    {"driver-files-undetermined",
     {"winxp_de"},
     206,
     {"winxp_de", {{"Abhängige Dateien\tkonnten nicht ermittelt werden\r\n", ""}}}},
    {"driver-file-missing",
     {"win98se_de"},
     99,
     {"win98se_de",
      {{"KDXRES.DLL\tFehler: Datei nicht gefunden",
        "KDXRES.DLL\t20.05.2003 10:00:00; 4096 Byte; A; Version: 3.0 / 3.0.0.1"}}}},
    {"driver-own-file-missing",
     {"winxp_de"},
     290,
     {"winxp_de",
      {{kOwnFiles, "\"Configuration File\"=\"KDX410UI.DLL\"\r\n\"Data File\"=\"KDX410.DLL\""},
       {"\"Driver\"=\"kdxdrv.dll\"", "\"Driver\"=\"KDX410.DLL\""}}}},
    {"printer-port-unknown", {"winxp_de"}, 203, {"winxp_de", {{"Fax an SHRFAX:", "Fax an FILE:"}}}},
    {"program-path-missing",
     {"win98se_de"},
     105,
     {"win98se_de", {{"KDX4.EXE\tFehler: Datei nicht gefunden", "KDX4.EXE\t"}}}},
    // The Windows folder's KELMO is the label software's; KMI (missing on both samples) is not.
    // KELMO missing beside a program folder that is there is no fault.
    {"label-folder-missing",
     {"win98se_de",
      {{"AppDir\tC:\\KDX4", "AppDir\t"},
       {"C:\\WINDOWS\\SYSTEM32\tVerzeichnis", "C:\\WINDOWS\\KELMO\tVerzeichnis"}}},
     68,
     {"win98se_de",
      {{"C:\\WINDOWS\\SYSTEM32\tVerzeichnis", "C:\\WINDOWS\\KELMO\tVerzeichnis"}}}},
    {"label-printer-not-installed",
     {"winxp_de"},
     393,
     {"winxp_de", {{"Installed Printers\\Lager COM1]", "Installed Printers\\Fax]"}}}},
    {"selected-printer-unknown",
     {"winxp_de", {{"Drucker\tDexta KD-410", "Drucker\tDexta KD-999"}}},
     120,
     {"winxp_de"}},
    {"selected-port-unknown",
     {"winxp_de", {{"gewählter Port\tUSB001", "gewählter Port\tUSB009"}}},
     119,
     {"win98se_de"}},
    {"selected-port-mismatch",
     {"winxp_de", {{"gewählter Port\tUSB001", "gewählter Port\tUSB002"}}},
     119,
     {"winxp_de"}},
    {"selected-printer-undetermined", {"win98se_de"}, 57, {"winxp_de"}},
    // Only the drive of the spool folder counts: the network drive Z: may run full.
    {"low-disk-space",
     {"winxp_de", {{"FreeAvailable:    12 GigaByte", "FreeAvailable:    40 Megabyte"}}},
     29,
     {"winxp_de", {{"FreeAvailable:   100 Megabyte", "FreeAvailable:    10 Megabyte"}}}},
    {"event-errors", {"winxp_de"}, 218, {"win98se_de"}},
    // The Service Control Manager's error counts for the KDX service its message names.
    {"event-errors",
     {"winxp_de"},
     220,
     {"winxp_de", {{"Der Dienst \"KDX USB-Druckerdienst\"", "Der Dienst \"Audio\""}}}},
    {"log-errors", {"winxp_de"}, 239, {"winxp_de", {{"nicht bereit (Fehler 21)", "bereit"}}}},
    {"log-exceptions", {"winxp_de"}, 248, {"win98se_de"}},
    {"temp-files-today", {"winxp_de"}, 169, {"win98se_de"}},
    {"service-program-missing",
     {"winxp_de"},
     628,
     {"winxp_de", {{"KDX5\\kdxmonx.exe\"", "KDX5\\KDX5.EXE\""}}}},
};

TEST(Findings, EachRuleOnAReportThatShowsItAndOneThatDoesNot) {
  std::set<std::string_view> tested;
  for (const RuleCase& rule : kCases) {
    SCOPED_TRACE(std::string(rule.code) + " at line " + std::to_string(rule.evidence));
    tested.insert(rule.code);
    const Finding* finding = nullptr;
    const std::vector<Finding> shown = FindingsOf(Apply(rule.shows));
    finding = Citing(shown, rule.code, rule.evidence);
    ASSERT_NE(finding, nullptr);
    EXPECT_FALSE(finding->text.empty() || finding->textEn.empty() || finding->subject.empty());
    EXPECT_FALSE(finding->remedy.empty() || finding->remedyEn.empty());
    EXPECT_EQ(Citing(FindingsOf(Apply(rule.hides)), rule.code, rule.evidence), nullptr);
  }
  for (const Rule& rule : Catalogue())
    EXPECT_EQ(tested.count(rule.info.code), 1U) << rule.info.code;
}

// The sample PC's findings, most severe first, one per cause.
TEST(Findings, ListTheSampleReportsOneFindingPerCause) {
  const struct {
    const char* golden;
    std::vector<std::string_view> codes;
  } samples[] = {
      {"winxp_de",
       {"check-monitor-not-started",
        "service-program-missing",
        "driver-file-missing",
        "driver-own-file-missing",
        "log-exceptions",
        "check-port-type",
        "program-path-missing",
        "event-errors",
        "event-errors",
        "event-errors",
        "log-errors",
        "label-printer-not-installed",
        "file-versions-differ",
        "file-versions-differ",
        "check-country-code",
        "printer-port-unknown",
        "temp-files-today",
        "printer-without-driver",
        "check-empty-devmode",
        "driver-files-undetermined"}},
      {"win98se_de",
       {"driver-file-missing", "selected-printer-undetermined", "program-path-missing",
        "log-errors"}},
      // KDX200UI.DLL, missing and named as the driver's own file too, is one finding; KELMO
      // missing beside the program folder under Program Files is none.
      {"win10x64_de",
       {"driver-file-missing", "driver-own-file-missing", "not-administrator",
        "file-versions-differ", "temp-files-today", "driver-file-missing",
        "driver-own-file-missing"}},
  };
  for (const auto& sample : samples) {
    const std::vector<Finding> findings = FindingsOf(test::GoldenReport(sample.golden));
    std::vector<std::string_view> codes(findings.size());
    std::transform(findings.begin(), findings.end(), codes.begin(),
                   [](const Finding& finding) { return finding.code; });
    EXPECT_EQ(codes, sample.codes) << sample.golden;
  }
  const std::vector<Finding> xp = FindingsOf(test::GoldenReport("winxp_de"));
  // The stopped monitor: its row, its list line, its start value and both check lines.
  EXPECT_EQ(xp[0].lines, (std::vector<std::size_t>{39, 47, 626, 735, 736}));
  EXPECT_EQ(xp[0].text,
            "Der Überwachungsdienst KDXMONX läuft nicht (Zustand STOPPED) und startet nicht von "
            "selbst (Startart 3: manuell)");
  // One missing driver file of two printers on one driver.
  EXPECT_EQ(xp[2].textEn,
            "The printer driver Dexta KD-410 of printers Dexta KD-410 and Dexta KD-420 lacks its "
            "dependent file kdxres.dll: it is in none of the driver folders");
  EXPECT_EQ(xp[2].lines, (std::vector<std::size_t>{186, 192, 194, 200, 294}));
  // The fax and the PDF writer are none of the label software's: notes.
  EXPECT_EQ(xp[17].severity, Severity::Note);
  EXPECT_EQ(xp[18].subject, "Microsoft Office Document Image Writer");
}

// A 64-bit Windows' report: its architecture row and a driver of the x64 environment with its
// file in the x64 driver folder change nothing; the x64 driver's missing file is its own
// finding.
TEST(Findings, RowsAndDriversOf64BitWindowsStayHarmless) {
  const std::string xp = test::GoldenReport("winxp_de");
  const auto x64 = [&](const char* driverFile) {
    std::string report =
        test::Edited(xp, "(2600)\t\r\n", "(2600)\t\r\nWindows-Architektur\tx64\r\n");
    report = test::Edited(
        report, "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Monitors]",
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Environments\\Windows "
        "x64\\Drivers\\Version-3\\Dexta KD-410]\r\n\"Driver\"=\"" +
            std::string(driverFile) +
            "\"\r\n[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Monitors]");
    return test::Edited(
        report, "('KDXERROR.LOG'",
        "('KDXDRV64.DLL','1.0','1.0','C:\\WINDOWS\\SYSTEM32\\SPOOL\\DRIVERS\\X64\\3\\',"
        "'4096','01.01.2020','00:00:00','Kelmo','A'),\r\n('KDXERROR.LOG'");
  };
  const auto codes = [](const std::vector<Finding>& findings) {
    std::vector<std::string> list;
    list.reserve(findings.size());
    for (const Finding& finding : findings)
      list.push_back(std::string(finding.code) + " " + finding.subject);
    return list;
  };
  const std::vector<Finding> harmless = FindingsOf(x64("kdxdrv64.dll"));
  EXPECT_EQ(codes(harmless), codes(FindingsOf(xp)));
  for (const Finding& finding : harmless) {
    EXPECT_EQ(std::count(finding.lines.begin(), finding.lines.end(), 3U), 0) << finding.code;
  }
  const std::vector<std::string> missing = codes(FindingsOf(x64("kdxgone64.dll")));
  ASSERT_EQ(missing.size(), harmless.size() + 1);
  EXPECT_NE(std::find(missing.begin(), missing.end(),
                      "driver-own-file-missing Dexta KD-410 (Windows x64)"),
            missing.end());
}

// The README lists every rule with its severity and (English) remedy, as the catalogue declares
// them.
TEST(Findings, TheReadmeListsTheCatalogue) {
  std::ifstream readme(std::string(KDX_SOURCE_DIR) + "/README.md", std::ios::binary);
  std::stringstream text;
  text << readme.rdbuf();
  const std::string bytes = Utf8ToCp1252(text.str());
  for (const Rule& rule : Catalogue()) {
    const std::string row = "| `" + std::string(rule.info.code) + "` | " +
                            std::string(SeverityName(rule.info.severity)) + " | ";
    const std::size_t at = bytes.find(row);
    ASSERT_NE(at, std::string::npos) << rule.info.code;
    const std::string line = bytes.substr(at, bytes.find('\n', at) - at);
    EXPECT_NE(line.find(std::string(rule.info.remedyEn)), std::string::npos) << rule.info.code;
  }
}

}  // namespace
}  // namespace kdx::analysis
