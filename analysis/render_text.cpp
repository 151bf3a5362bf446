// The terminal form of `kdxinfo read` and `kdxinfo diff`, in one language.
#include <algorithm>

#include "analysis/render.h"
#include "analysis/text_match.h"
#include "analysis/utf8.h"

namespace kdx::analysis {
namespace {

using L = Language;

// Evidence shown under a finding on the terminal; the rest is counted.
constexpr std::size_t kShownEvidence = 8;
// Registry and file list lines run long; the terminal shows their beginning.
constexpr std::size_t kShownLineWidth = 160;
constexpr std::string_view kIndent = "         ";

// A line for the terminal: its TABs as " | " between the texts they part, control characters
// as blanks, its beginning only when it runs long, cut between words where it has them.
std::string ShownLine(std::string_view line) {
  const std::size_t first = line.find_first_not_of('\t');
  line = first == std::string_view::npos ? std::string_view{} : line.substr(first);
  line = line.substr(0, line.find_last_not_of('\t') + 1);
  std::string shown;
  shown.reserve(std::min(line.size(), kShownLineWidth) + 8);
  std::string_view part = line.substr(0, kShownLineWidth);
  if (line.size() > kShownLineWidth) {
    const std::size_t blank = line.substr(0, kShownLineWidth + 1).rfind(' ');
    if (blank != std::string_view::npos && blank > kShownLineWidth / 2)
      part = line.substr(0, blank);
  }
  std::size_t run = 0;
  for (std::size_t i = 0; i < part.size(); ++i) {
    const auto c = static_cast<unsigned char>(part[i]);
    if (c >= 0x20) continue;
    shown.append(part.substr(run, i - run));
    shown.append(c == '\t' ? " | " : " ");
    run = i + 1;
  }
  shown.append(part.substr(run));
  if (line.size() > kShownLineWidth) shown += " ...";
  return Utf8(shown);
}

// "FEHLER   ", "WARNING  ": the heading of a finding, padded to the text below it.
std::string SeverityHeading(Severity severity, Language language) {
  std::string heading(SeverityWord(severity, language));
  for (char& c : heading) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  heading.resize(kIndent.size(), ' ');
  return Utf8(heading);
}

std::string ServiceText(const ServiceFact& service, Language language) {
  if (!service.installed)
    return service.name + (language == L::German ? " nicht installiert" : " not installed");
  if (!service.known) return service.name + (language == L::German ? " unbekannt" : " unknown");
  return service.name + " " + service.state;
}

std::string PrinterText(const PrinterFact& printer, Language language) {
  const bool german = language == L::German;
  std::string text = printer.name + (german ? " an " : " on ") + printer.port;
  if (!printer.driver.empty()) text += (german ? ", Treiber " : ", driver ") + printer.driver;
  return text;
}

void AppendSummary(Output& out, const ReportFacts& facts, Language language) {
  const bool german = language == L::German;
  const auto row = [&](std::string_view label, std::string_view value) {
    std::string padded(label);
    padded.resize(std::max<std::size_t>(padded.size() + 1, 12), ' ');
    out += "  " + Utf8(padded) + Utf8(value) + "\n";
  };
  out += "\nPC:\n";
  row("Windows:", facts.windows);
  row("Computer:", facts.computer.text);
  row(german ? "Benutzer:" : "User:", facts.user.text);
  row(german ? "Datum:" : "Date:", std::string(facts.date.text) +
                                       (facts.time.text.empty() ? "" : " ") +
                                       std::string(facts.time.text));
  for (const LabelSoftwareFact& version : facts.labelSoftware) {
    std::string text(version.program);
    if (!version.fileVersion.empty()) text += " (" + version.fileVersion + ")";
    row("Software " + std::string(version.version) + ":", text);
  }
  for (const PrinterFact& printer : facts.printers) {
    if (printer.line != 0) row(german ? "Drucker:" : "Printer:", PrinterText(printer, language));
  }
  for (const ServiceFact& service : facts.services) {
    row(german ? "Dienst:" : "Service:", ServiceText(service, language));
  }
}

void AppendFinding(Output& out, const Finding& finding, const Report& report, Language language) {
  const bool german = language == L::German;
  out += Cat({"\n", SeverityHeading(finding.severity, language), finding.code, "\n"});
  out += std::string(kIndent) + Utf8(german ? finding.text : finding.textEn) + "\n";
  out += std::string(kIndent) + (german ? "Abhilfe: " : "Remedy: ") +
         Utf8(german ? finding.remedy : finding.remedyEn) + "\n";
  for (std::size_t i = 0; i < finding.lines.size() && i < kShownEvidence; ++i) {
    const std::size_t line = finding.lines[i];
    out += std::string(kIndent) + (german ? "Zeile " : "Line ") + std::to_string(line) + ": " +
           ShownLine(report.TextOfNumber(line)) + "\n";
  }
  if (finding.lines.size() > kShownEvidence) {
    const std::string more = std::to_string(finding.lines.size() - kShownEvidence);
    out += std::string(kIndent) +
           (german ? "... und " + more + " weitere Zeilen\n" : "... and " + more + " more lines\n");
  }
}

}  // namespace

void RenderReadText(const ReadView& view, Output& out) {
  const Report& report = view.report;
  const bool german = view.language == L::German;
  out += (german ? "Bericht " : "Report ") + std::string(view.fileName) + ": " +
         Utf8(report.marker) + ", " + std::to_string(report.FileLineCount()) +
         (german ? " Zeilen, " : " lines, ") + Utf8(EndWord(report.end, view.language)) + "\n";
  out += (german ? "Befunde: " : "Findings: ") +
         CountsText(CountBySeverity(view.findings), view.language) + "\n";
  for (const Finding& finding : view.findings) AppendFinding(out, finding, report, view.language);
  AppendSummary(out, view.facts, view.language);
}

std::string RenderReadText(const ReadView& view) {
  Output out;
  RenderReadText(view, out);
  return out.Take();
}

std::string RenderDiffText(const DiffView& view) {
  const bool german = view.language == L::German;
  const ReportDiff& diff = view.diff;
  std::string out = (german ? "Vergleich " : "Comparison ") + std::string(view.oldName) + " -> " +
                    std::string(view.newName) + ": " + std::to_string(diff.changes.size()) +
                    (german ? Utf8(" Änderungen") : " changes") + "\n";
  if (!diff.SameComputer()) {
    const std::string computers =
        Utf8(std::string(diff.oldComputer) + (german ? " und " : " and ") +
             std::string(diff.newComputer));
    out += german ? "Achtung: die Berichte stammen von verschiedenen Computern (" + computers +
                        "); verglichen wird trotzdem.\n"
                  : "Warning: the reports come from different computers (" + computers +
                        "); they are compared all the same.\n";
  }
  bool first = true;
  DiffPart part = DiffPart::Windows;
  for (const Change& change : diff.changes) {
    if (first || change.part != part) {
      part = change.part;
      first = false;
      out += "\n[" + Utf8(PartTitle(part, view.language)) + "]\n";
    }
    std::string word(ChangeWord(change.change, view.language));
    word.resize(10, ' ');
    out += "  " + Utf8(word) + ShownLine(change.subject) + "\n";
    const bool english = !german && part == DiffPart::Findings;
    if (change.oldLine != 0 || change.change == ChangeKind::Removed) {
      out += german ? "      alt (Zeile " : "      old (line ";
      out += std::to_string(change.oldLine) +
             "): " + ShownLine(english ? change.oldValueEn : change.oldValue) + "\n";
    }
    if (change.newLine != 0 || change.change == ChangeKind::Added) {
      out += german ? "      neu (Zeile " : "      new (line ";
      out += std::to_string(change.newLine) +
             "): " + ShownLine(english ? change.newValueEn : change.newValue) + "\n";
    }
  }
  return out;
}

std::string RenderBatchText(const BatchLine& line, Language language) {
  const bool german = language == L::German;
  std::string out = line.fileName;
  if (line.altered) out += german ? Utf8(" (verändert)") : " (altered)";
  if (line.problem.empty() && line.end != ReportEnd::Complete) {
    out += " (" + Utf8(EndWord(line.end, language)) + ")";
  }
  if (!line.problem.empty()) {
    return out + (german ? ": nicht lesbar: " : ": not read: ") +
           Utf8(german ? line.problem : line.problemEn) + "\n";
  }
  const auto field = [&](std::string_view label, const std::vector<std::string>& items) {
    out += " | " + std::string(label);
    for (std::size_t i = 0; i < items.size(); ++i) out += (i == 0 ? "" : ", ") + Utf8(items[i]);
  };
  out += ": " + Utf8(line.computer) + " | " + Utf8(line.date) + " | " + Utf8(line.windows);
  field("Software: ", line.software);
  field(german ? "Drucker: " : "Printers: ", line.printers);
  out += " | " + Utf8(CountsText(line.counts, language));
  if (line.hasError) {
    out += (german ? " | erster Fehler: " : " | first error: ") +
           std::string(line.firstError.code) + ": " +
           Utf8(german ? line.firstError.text : line.firstError.textEn);
  }
  return out + "\n";
}

}  // namespace kdx::analysis
