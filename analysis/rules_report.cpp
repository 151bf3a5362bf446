// Rules over the report as a whole and the PC's state: how the report ended, the rights it ran
// with, the spool folder's drive, what the temporary folders received.
#include <algorithm>
#include <array>

#include "analysis/rules.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

constexpr RuleInfo kCutShort{
    "report-cut-short", Severity::Error,
    "The report ends with ABNORMAL END OF KDXINFO, or stops without END OF KDXINFO",
    "Den Kunden bitten, KDXInfo erneut laufen zu lassen und die Datei unverändert als Anhang "
    "zu senden; bricht der Bericht wieder ab, zeigt seine letzte Zeile den Schritt, der "
    "scheiterte.",
    "Ask the customer to run KDXInfo again and send the file unchanged as an attachment; if it "
    "stops again, its last line shows the step that failed."};

void CutShort(const ReportFacts& facts, FindingSink& sink) {
  const Report& report = *facts.report;
  if (report.end == ReportEnd::Complete || report.Lines() == 0) return;
  const std::size_t last = report.FileLineCount();
  if (report.end == ReportEnd::Abnormal) {
    sink.Add({"report",
              "Bericht unvollständig: er endet mit ABNORMAL END OF KDXINFO",
              "Report incomplete: it ends with ABNORMAL END OF KDXINFO",
              {last}});
    return;
  }
  sink.Add(
      {"report",
       "Bericht unvollständig: er bricht in Zeile " + std::to_string(last) +
           " ohne END OF KDXINFO ab",
       "Report incomplete: it stops at line " + std::to_string(last) + " without END OF KDXINFO",
       {last}});
}

constexpr RuleInfo kNotAdministrator{
    "not-administrator", Severity::Warning,
    "Administrator is FALSE, or ERROR(isAdmin): the service states and parts of the registry "
    "are missing, and the checks' 'nicht gestartet' lines say nothing",
    "KDXInfo als Administrator (oder als ein Benutzer der Gruppe Administratoren) erneut laufen "
    "lassen, damit die Dienste abgefragt werden können.",
    "Run KDXInfo again as an administrator (a member of the Administrators group), so that the "
    "services can be queried."};

// Without the rights, the service rows are errors of the service manager, and the checks take
// both services for stopped: all of it is this one cause.
void NotAdministrator(const ReportFacts& facts, FindingSink& sink) {
  if (!WithoutAdministratorRights(facts)) return;
  Found found{"Administrator",
              "Der Bericht lief ohne Administratorrechte: Dienste und Teile der Registry fehlen",
              "The report ran without administrator rights: services and parts of the registry "
              "are missing",
              {facts.administrator.line, facts.adminError.line}};
  for (const ServiceFact& service : facts.services) {
    if (!service.known) found.lines.push_back(service.line);
  }
  if (!StateKnown(facts, "KDXMONX")) found.lines.push_back(CheckLine(facts, kMonitorNotStarted));
  if (!StateKnown(facts, "SPOOLER")) found.lines.push_back(CheckLine(facts, kSpoolerNotStarted));
  sink.Add(std::move(found));
}

constexpr RuleInfo kLowDiskSpace{
    "low-disk-space", Severity::Error,
    "The drive of the spool folder has less than 50 MB free for the user: the spooler writes "
    "every job there before printing it",
    "Auf dem Laufwerk Platz schaffen (Papierkorb leeren, temporäre Dateien löschen) oder den "
    "Spool-Ordner in den Druckserver-Eigenschaften auf ein Laufwerk mit Platz legen.",
    "Free space on the drive (empty the recycle bin, delete temporary files) or move the spool "
    "folder to a drive with space in the print server properties."};

// The spooler writes every job into its spool folder (the printers key's
// DefaultSpoolDirectory, on the Windows drive unless moved) before the printer gets it.
void LowDiskSpace(const ReportFacts& facts, FindingSink& sink) {
  const std::string_view spoolFolder =
      facts.spoolFolder.text.size() >= 3 ? facts.spoolFolder.text : facts.windowsDir.text;
  if (spoolFolder.size() < 3) return;
  const std::string root = std::string(spoolFolder.substr(0, 2)) + "\\";
  for (const DriveFact& drive : facts.drives) {
    if (drive.freeBytes < 0 || drive.freeBytes >= kSpoolReserveBytes ||
        !EqualsNoCase(drive.root, root)) {
      continue;
    }
    std::string free;
    for (const KeyedRow& space : drive.space) {
      if (space.key == "FreeAvailable") free = std::string(space.value);
    }
    const std::string folder(spoolFolder);
    sink.Add(
        {root,
         Cat({"Laufwerk ", root, " hat nur ", free,
              " frei; die Druckwarteschlange legt jeden Druckauftrag erst in ", folder,
              " ab und braucht dort mindestens 50 MB"}),
         Cat({"Drive ", root, " has only ", free, " free; the spooler writes every print job to ",
              folder, " first and needs at least 50 MB there"}),
         {drive.freeLine, facts.spoolFolder.line}});
  }
}

constexpr RuleInfo kTempFiles{
    "temp-files-today", Severity::Note,
    "Entries of the temporary folders changed today whose names carry KDX, KELMO or DEXTA",
    "Zeigt, was eine Installation oder ein Druckauftrag heute hinterlassen hat; bei Fehlern "
    "nach der Installation die Setup-Protokolle dort lesen.",
    "Shows what an installation or a print job left today; after a failed installation, read "
    "the set-up logs there."};

void TempFiles(const ReportFacts& facts, FindingSink& sink) {
  static constexpr std::array<std::string_view, 3> kLabelNames = {"KDX", "KELMO", "DEXTA"};
  std::vector<std::string> names;
  Found found;
  for (const KeyedRow& entry : facts.tempEntries) {
    if (!ContainsAnyNoCase(entry.key, kLabelNames)) continue;
    names.emplace_back(entry.key);
    found.lines.push_back(entry.line);
  }
  if (names.empty()) return;
  std::string list;
  for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
  found.subject = "temp";
  found.text =
      "Heute von der Etikettensoftware oder ihrem Installer in Temp-Verzeichnissen abgelegt: " +
      list;
  found.textEn =
      "Left in the temporary folders today by the label software or its installer: " + list;
  sink.Add(std::move(found));
}

}  // namespace

std::vector<Rule> ReportRules() {
  return {{kCutShort, CutShort},
          {kNotAdministrator, NotAdministrator},
          {kLowDiskSpace, LowDiskSpace},
          {kTempFiles, TempFiles}};
}

}  // namespace kdx::analysis
