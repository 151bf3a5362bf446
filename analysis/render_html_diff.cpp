// The comparison as a page, with both reports' lines in it for its links, and the index page
// of many reports.
#include "analysis/html_page.h"
#include "analysis/render.h"

namespace kdx::analysis {
namespace {

using L = Language;

// A value with the link to its line in report A (the older) or B (the newer).
std::string Cell(const std::string& value, std::size_t line, char report, bool german) {
  if (line == 0) return "<td></td>";
  return "<td>" + EscapedBreakable(value) + " <a href=\"#" + std::string(1, report) + Num(line) +
         "\">" + (german ? "Zeile " : "line ") + Num(line) + "</a></td>";
}

std::string ReportLines(const Report& report, std::string_view name, char prefix, bool german) {
  return "<details id=\"" + std::string(1, prefix) + "\"><summary class=\"part\">" +
         EscapedName(name) + " &middot; " + Num(report.FileLineCount()) +
         (german ? " Zeilen" : " lines") + "</summary>\n" +
         LinesHtml(report, 0, report.Lines(), std::string(1, prefix)) + "</details>\n";
}

}  // namespace

std::string RenderDiffHtml(const DiffView& view) {
  const bool german = view.language == L::German;
  const ReportDiff& diff = view.diff;
  std::string out = PageHead(german ? "Vergleich" : "comparison", view.language, "");
  out += german ? "<h1>KDXInfo-Vergleich</h1>\n" : "<h1>KDXInfo comparison</h1>\n";
  out += "<p class=\"meta\">" + std::string(german ? "alt: " : "old: ") +
         EscapedName(view.oldName) + "<br>" + (german ? "neu: " : "new: ") +
         EscapedName(view.newName) + "</p>\n";
  if (!diff.SameComputer()) {
    const std::string computers =
        Escaped(diff.oldComputer) + (german ? " und " : " and ") + Escaped(diff.newComputer);
    out += german ? "<p class=\"altered\">Achtung: die Berichte stammen von verschiedenen "
                    "Computern (" +
                        computers + "); verglichen wird trotzdem.</p>\n"
                  : "<p class=\"altered\">Warning: the reports come from different computers (" +
                        computers + "); they are compared all the same.</p>\n";
  }
  out +=
      Markup(german ? "<h2>Änderungen: " : "<h2>Changes: ") + Num(diff.changes.size()) + "</h2>\n";
  out +=
      Markup(german ? "<table id=\"changes\" class=\"changes\"><colgroup><col style=\"width:13%\">"
                      "<col style=\"width:10%\"><col style=\"width:27%\"><col><col></colgroup>"
                      "<tr><th>Teil</th><th>Änderung</th><th>Gegenstand</th><th>alt</th>"
                      "<th>neu</th></tr>\n"
                    : "<table id=\"changes\" class=\"changes\"><colgroup><col style=\"width:13%\">"
                      "<col style=\"width:10%\"><col style=\"width:27%\"><col><col></colgroup>"
                      "<tr><th>Part</th><th>Change</th><th>Subject</th><th>old</th>"
                      "<th>new</th></tr>\n");
  for (const Change& change : diff.changes) {
    const bool english = !german && change.part == DiffPart::Findings;
    out += "<tr class=\"" + std::string(ChangeName(change.change)) + "\" data-part=\"" +
           std::string(PartCode(change.part)) + "\"><td>" +
           Escaped(PartTitle(change.part, view.language)) + "</td><td class=\"c\">" +
           Escaped(ChangeWord(change.change, view.language)) + "</td><td>" +
           EscapedBreakable(change.subject) + "</td>" +
           Cell(english ? change.oldValueEn : change.oldValue, change.oldLine, 'A', german) +
           Cell(english ? change.newValueEn : change.newValue, change.newLine, 'B', german) +
           "</tr>\n";
  }
  out += "</table>\n";
  out += german ? "<h2>Die Berichte</h2>\n" : "<h2>The reports</h2>\n";
  out += ReportLines(view.oldReport, view.oldName, 'A', german);
  out += ReportLines(view.newReport, view.newName, 'B', german);
  return out + "</body></html>\n";
}

std::string RenderBatchIndex(const std::vector<BatchLine>& lines, Language language) {
  const bool german = language == L::German;
  std::string out =
      PageHead(german ? "Berichte" : "reports", language, ".index td{border-top:1px solid #eee}");
  out += "<h1>" + std::string(german ? "KDXInfo-Berichte: " : "KDXInfo reports: ") +
         Num(lines.size()) + "</h1>\n<table class=\"index\" id=\"reports\"><tr>";
  static constexpr Phrase kHeadings[] = {
      {"Bericht", "Report"},   {"Computer", "Computer"},        {"Datum", "Date"},
      {"Windows", "Windows"},  {"Software", "Software"},        {"Drucker", "Printers"},
      {"Befunde", "Findings"}, {"Erster Fehler", "First error"}};
  for (const Phrase& heading : kHeadings)
    out += "<th>" + std::string(heading.In(language)) + "</th>";
  out += "</tr>\n";
  const auto joined = [](const std::vector<std::string>& items) {
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return Escaped(text);
  };
  for (const BatchLine& line : lines) {
    const std::string name = EscapedName(line.fileName);
    out +=
        "<tr class=\"status-" + Num(static_cast<std::size_t>(line.status)) + "\"><td>" +
        (line.page.empty() ? name : "<a href=\"" + EscapedName(line.page) + "\">" + name + "</a>");
    if (!line.problem.empty()) {
      out += "</td><td colspan=\"7\">" + Escaped(german ? line.problem : line.problemEn) +
             "</td></tr>\n";
      continue;
    }
    out += "</td><td>" + Escaped(line.computer) + "</td><td>" + Escaped(line.date) + "</td><td>" +
           Escaped(line.windows) + "</td><td>" + joined(line.software) + "</td><td>" +
           joined(line.printers) + "</td><td>" + Escaped(CountsText(line.counts, language)) +
           "</td><td>";
    if (line.hasError) {
      out += "<code>" + std::string(line.firstError.code) + "</code> " +
             Escaped(german ? line.firstError.text : line.firstError.textEn);
    }
    out += "</td></tr>\n";
  }
  return out + "</table>\n</body></html>\n";
}

}  // namespace kdx::analysis
