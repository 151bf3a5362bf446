// The words the text, JSON and HTML forms share, in both languages, and the line of a report
// among many.
#include <array>

#include "analysis/render.h"

namespace kdx::analysis {
namespace {

using L = Language;

std::string Counted(std::size_t count, std::string_view one, std::string_view many) {
  return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

}  // namespace

std::array<std::size_t, 3> CountBySeverity(const std::vector<Finding>& findings) {
  std::array<std::size_t, 3> counts = {0, 0, 0};
  for (const Finding& finding : findings) ++counts[static_cast<std::size_t>(finding.severity)];
  return counts;
}

std::string CountsText(const std::array<std::size_t, 3>& counts, Language language) {
  if (language == L::German) {
    return Counted(counts[0], "Fehler", "Fehler") + ", " +
           Counted(counts[1], "Warnung", "Warnungen") + ", " +
           Counted(counts[2], "Hinweis", "Hinweise");
  }
  return Counted(counts[0], "error", "errors") + ", " + Counted(counts[1], "warning", "warnings") +
         ", " + Counted(counts[2], "note", "notes");
}

std::string_view SeverityWord(Severity severity, Language language) {
  static constexpr std::array<Phrase, 3> kWords = {
      {{"Fehler", "error"}, {"Warnung", "warning"}, {"Hinweis", "note"}}};
  return kWords[static_cast<std::size_t>(severity)].In(language);
}

std::string_view EndCode(ReportEnd end) {
  switch (end) {
    case ReportEnd::Complete:
      return "complete";
    case ReportEnd::Abnormal:
      return "abnormal";
    case ReportEnd::CutShort:
      break;
  }
  return "cut-short";
}

std::string_view EndWord(ReportEnd end, Language language) {
  static constexpr std::array<Phrase, 3> kWords = {{{"vollständig", "complete"},
                                                    {"mit ABNORMAL END beendet", "abnormal end"},
                                                    {"abgebrochen", "cut short"}}};
  return kWords[static_cast<std::size_t>(end)].In(language);
}

std::string_view PartTitle(DiffPart part, Language language) {
  static constexpr std::array<Phrase, 17> kTitles = {{
      {"Windows", "Windows"},
      {"Speicher und Laufwerke", "Memory and drives"},
      {"Dienste", "Services"},
      {"Prozesse", "Processes"},
      {"Anschlüsse", "Ports"},
      {"Etikettensoftware", "Label software"},
      {"Datei-Infos", "File inventory"},
      {"INI-Dateien", "INI files"},
      {"Temp-Verzeichnisse", "Temporary folders"},
      {"Drucker", "Printers"},
      {"Programm-Pfade", "Program paths"},
      {"Ereignisprotokolle", "Event logs"},
      {"Logdateien", "Log files"},
      {"Registry", "Registry"},
      {"Dateiliste", "File list"},
      {"Prüfzeilen", "Check lines"},
      {"Befunde", "Findings"},
  }};
  return kTitles[static_cast<std::size_t>(part)].In(language);
}

std::string_view ChangeWord(ChangeKind change, Language language) {
  static constexpr std::array<Phrase, 3> kWords = {
      {{"neu", "added"}, {"entfernt", "removed"}, {"geändert", "changed"}}};
  return kWords[static_cast<std::size_t>(change)].In(language);
}

std::string AlterationText(ReportEncoding encoding, const Alteration& altered, Language language) {
  const bool german = language == L::German;
  std::vector<std::string> what;
  if (encoding != ReportEncoding::Ansi) {
    what.push_back((german ? "als " : "saved again as ") + EncodingName(encoding, german) +
                   (german ? " neu gespeichert" : ""));
  }
  if (altered.blanksStripped) {
    what.emplace_back(german ? "Leerzeichen und TABs an den Zeilenenden entfernt"
                             : "blanks and TABs at the line ends removed");
  }
  if (altered.wrapWidth != 0) {
    const std::string width = std::to_string(altered.wrapWidth);
    what.push_back(german ? "Zeilen bei " + width +
                                " Zeichen umbrochen (wieder zusammengefügt, wo der Aufbau des "
                                "Berichts es zeigt)"
                          : "lines broken at " + width +
                                " characters (joined again where the report's layout shows it)");
  }
  if (what.empty()) return {};
  std::string text = german ? "nicht wie KDXInfo ihn schrieb, sondern von einem Mailprogramm oder "
                              "Editor verändert: "
                            : "not as KDXInfo wrote it but altered by a mail program or editor: ";
  for (std::size_t i = 0; i < what.size(); ++i) text += (i == 0 ? "" : ", ") + what[i];
  text += german ? "; gelesen, so weit es geht, die Zeilennummern sind die der Datei"
                 : "; read as far as it goes, line numbers are those of the file";
  return text;
}

BatchLine BatchLineOf(const ReadView& view, int status) {
  const ReportFacts& facts = view.facts;
  BatchLine line;
  line.fileName = std::string(view.fileName);
  line.status = status;
  line.encoding = view.encoding;
  line.altered = view.encoding != ReportEncoding::Ansi || view.report.altered.Any();
  line.end = view.report.end;
  line.computer = std::string(facts.computer.text);
  line.date = std::string(facts.date.text);
  if (!facts.time.text.empty()) line.date.append(" ").append(facts.time.text);
  line.windows = std::string(facts.windows);
  for (const LabelSoftwareFact& version : facts.labelSoftware) {
    line.software.push_back(
        std::string(version.version) + " " +
        (version.fileVersion.empty() ? std::string(version.program) : version.fileVersion));
  }
  for (const PrinterFact& printer : facts.printers) {
    if (printer.line != 0) line.printers.push_back(printer.name + " (" + printer.port + ")");
  }
  line.counts = CountBySeverity(view.findings);
  if (!view.findings.empty() && view.findings.front().severity == Severity::Error) {
    line.hasError = true;
    line.firstError = view.findings.front();
  }
  return line;
}

}  // namespace kdx::analysis
