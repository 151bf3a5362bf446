// Each rule of the catalogue on a report that shows it and on one that does not: the sample
// reports, and edited copies for what the sample machines do not have.
#include "analysis/findings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "analysis/report_reader.h"
#include "support/report_samples.h"

namespace kdx::analysis {
namespace {

struct ReportEdit {
  const char* golden;
  const char* from = "";  // empty: the report as it is
  const char* to = "";
};

struct RuleCase {
  const char* code;
  ReportEdit shows;
  std::size_t evidence;  // a line the finding must name
  ReportEdit hides;
};

std::string Apply(const ReportEdit& edit) {
  const std::string report = test::GoldenReport(edit.golden);
  return *edit.from == '\0' ? report : test::Edited(report, edit.from, edit.to);
}

const Finding* FindingOf(const std::vector<Finding>& findings, std::string_view code) {
  const auto found = std::find_if(findings.begin(), findings.end(),
                                  [&](const Finding& f) { return f.code == code; });
  return found == findings.end() ? nullptr : &*found;
}

const RuleCase kCases[] = {
    {"report-cut-short", {"winxp_de", "\r\nEND OF", "\r\nABNORMAL END OF"}, 738, {"winxp_de"}},
    {"not-administrator",
     {"winxp_de", "Administrator\tTRUE", "Administrator\tFALSE"},
     10,
     {"winxp_de"}},
    {"service-not-installed",
     {"winxp_de"},
     41,
     {"winxp_de",
      "Error\tOpenService KDXMONGUARD failed Error 1060: Der angegebene Dienst ist "
      "kein installierter Dienst",
      "Service\tKDXMONGUARD Status 4: RUNNING"}},
    {"service-not-running",
     {"winxp_de"},
     39,
     {"winxp_de", "KDXMONX Status 1: STOPPED", "KDXMONX Status 4: RUNNING"}},
    {"service-state-unknown",
     {"winxp_de", "Service\tKDXUSB Status 4: RUNNING",
      "Error\tOpenScManager failed Error 5: Zugriff verweigert"},
     42,
     {"winxp_de"}},
    {"check-port-type", {"winxp_de"}, 732, {"winxp_de", "Falscher Datentyp", "Anderer Datentyp"}},
    {"check-country-code",
     {"winxp_de"},
     733,
     {"winxp_de", "Falscher Ländercode für Label Types: USA\r\n", ""}},
    {"check-empty-devmode", {"winxp_de"}, 734, {"winxp_de", "Leerer Default", "Default"}},
    {"check-monitor-not-started",
     {"winxp_de"},
     735,
     {"winxp_de", "KDXMONX ist nicht gestartet\r\n", ""}},
    {"check-monitor-key-missing",
     {"winxp_de", "Falsche Startart für KDXMONX",
      "Registry Key KDXMONX konnte nicht geöffnet werden"},
     736,
     {"winxp_de"}},
    {"check-monitor-start-type",
     {"winxp_de"},
     736,
     {"winxp_de", "Falsche Startart für KDXMONX\r\n", ""}},
    {"check-spooler-not-started",
     {"winxp_de", "Falsche Startart für KDXMONX", "Spooler ist nicht gestartet"},
     736,
     {"winxp_de"}},
    {"check-unknown",
     {"winxp_de", "\r\n\r\nEND OF", "\r\nNeue Prüfung\r\n\r\nEND OF"},
     737,
     {"winxp_de"}},
    {"file-versions-differ", {"winxp_de"}, 712, {"win98se_de"}},
    {"printer-without-driver",
     {"winxp_de"},
     202,
     {"winxp_de", "ERROR: Fax\t(Kein Printer Driver Eintrag!)\r\n", ""}},
    {"driver-files-undetermined",
     {"winxp_de"},
     206,
     {"winxp_de", "Abhängige Dateien\tkonnten nicht ermittelt werden\r\n", ""}},
    {"driver-file-missing",
     {"win98se_de"},
     99,
     {"win98se_de", "KDXRES.DLL\tFehler: Datei nicht gefunden",
      "KDXRES.DLL\t20.05.2003 10:00:00; 4096 Byte; A; Version: 3.0 / 3.0.0.1"}},
    {"program-path-missing",
     {"win98se_de"},
     105,
     {"win98se_de", "KDX4.EXE\tFehler: Datei nicht gefunden", "KDX4.EXE\t"}},
    // The Windows folder's KELMO is the label software's; KMI (missing on both samples) is not.
    {"label-folder-missing",
     {"winxp_de", "C:\\WINDOWS\\KMI\tVerzeichnis", "C:\\WINDOWS\\KELMO\tVerzeichnis"},
     149,
     {"winxp_de"}},
    {"selected-printer-unknown",
     {"winxp_de", "Drucker\tDexta KD-410", "Drucker\tDexta KD-999"},
     120,
     {"winxp_de"}},
    {"selected-port-unknown",
     {"winxp_de", "gewählter Port\tUSB001", "gewählter Port\tUSB009"},
     119,
     {"win98se_de"}},
    // Only the drive of the spool folder counts: the network drive Z: may run full.
    {"low-disk-space",
     {"winxp_de", "FreeAvailable:    12 GigaByte", "FreeAvailable:    40 Megabyte"},
     29,
     {"winxp_de", "FreeAvailable:   100 Megabyte", "FreeAvailable:    10 Megabyte"}},
    {"event-errors", {"winxp_de"}, 218, {"win98se_de"}},
    {"temp-files-today", {"winxp_de"}, 169, {"win98se_de"}},
};

TEST(Findings, EachRuleOnAReportThatShowsItAndOneThatDoesNot) {
  std::set<std::string_view> tested;
  for (const RuleCase& rule : kCases) {
    SCOPED_TRACE(rule.code);
    tested.insert(rule.code);
    const std::string shows = Apply(rule.shows);
    const std::vector<Finding> found = FindFindings(ReadReport(shows));
    const Finding* finding = FindingOf(found, rule.code);
    ASSERT_NE(finding, nullptr);
    EXPECT_NE(std::find(finding->lines.begin(), finding->lines.end(), rule.evidence),
              finding->lines.end());
    EXPECT_FALSE(finding->text.empty());
    EXPECT_FALSE(finding->textEn.empty());
    EXPECT_EQ(FindingOf(FindFindings(ReadReport(Apply(rule.hides))), rule.code), nullptr);
  }
  for (const Rule& rule : Catalogue()) EXPECT_EQ(tested.count(rule.code), 1U) << rule.code;
}

// The sample PC's findings, most severe first, each pointing at its evidence.
TEST(Findings, ListTheSampleReportMostSevereFirst) {
  const std::string xp = test::GoldenReport("winxp_de");
  const Report report = ReadReport(xp);
  const std::vector<Finding> findings = FindFindings(report);
  std::vector<std::string_view> codes(findings.size());
  std::transform(findings.begin(), findings.end(), codes.begin(),
                 [](const Finding& finding) { return finding.code; });
  EXPECT_EQ(codes, (std::vector<std::string_view>{
                       "driver-file-missing", "driver-file-missing", "printer-without-driver",
                       "check-port-type", "check-monitor-not-started", "service-not-running",
                       "service-not-installed", "driver-files-undetermined", "program-path-missing",
                       "event-errors", "event-errors", "file-versions-differ",
                       "file-versions-differ", "check-country-code", "check-empty-devmode",
                       "check-monitor-start-type", "temp-files-today"}));
  EXPECT_EQ(findings[0].text, "Treiberdatei kdxres.dll des Druckers Dexta KD-410 nicht gefunden");
  EXPECT_EQ(findings[5].text, "Dienst KDXMONX läuft nicht (Zustand STOPPED)");
  // Every copy of a file with differing versions is evidence, the unmarked first one too.
  EXPECT_EQ(findings[12].lines, (std::vector<std::size_t>{717, 718, 719, 720}));
  EXPECT_EQ(findings[9].text,
            "KDXUSB im Log System: 1 Fehlereintrag, der neueste vom 06.12.2026 22:20:40");
  for (const Finding& finding : findings) {
    for (const std::size_t line : finding.lines) ASSERT_LE(line, report.lines.size());
  }
}

}  // namespace
}  // namespace kdx::analysis
