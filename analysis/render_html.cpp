// The report as one self-contained page: summary and findings first, each finding linked to
// its evidence, then every part of the report, collapsed. No scripts: <details> opens and
// closes the parts, and a browser opens the one that holds a linked line by itself.
#include <algorithm>
#include <map>
#include <set>

#include "analysis/html_page.h"
#include "analysis/render.h"
#include "analysis/text_match.h"
#include "run/report_table.h"

namespace kdx::analysis {
namespace {

using L = Language;

std::string_view PartTitleOf(PartKind kind, Language language) {
  static constexpr Phrase kTitles[] = {
      {"Kennung", "Marker"},    {"Berichtstabelle", "Report table"}, {"Logdatei", "Log file"},
      {"Registry", "Registry"}, {"Dateiliste", "File list"},         {"Prüfzeilen", "Check lines"},
      {"Ende", "End"},          {"Nicht erkannt", "Not recognised"}};
  return kTitles[static_cast<std::size_t>(kind)].In(language);
}

std::string_view SectionTitle(Section section, Language language) {
  static constexpr Phrase kTitles[kSectionCount] = {{"Allgemein", "General"},
                                                    {"Speicher", "Memory"},
                                                    {"Laufwerke", "Drives"},
                                                    {"Dienste", "Services"},
                                                    {"Prozesse", "Processes"},
                                                    {"USB-Drucker", "USB printers"},
                                                    {"Druckeranschlüsse", "Printer ports"},
                                                    {"Etikettensoftware", "Label software"},
                                                    {"Datei-Infos", "File inventory"},
                                                    {"INI-Dateien", "INI files"},
                                                    {"Temp-Verzeichnisse", "Temporary folders"},
                                                    {"Drucker", "Printers"},
                                                    {"Programm-Pfade", "Program paths"},
                                                    {"EventLog", "Event log"}};
  return kTitles[static_cast<std::size_t>(section)].In(language);
}

class HtmlPage {
 public:
  HtmlPage(const ReadView& view, Output& out)
      : view_(view), report_(view.report), german_(view.language == L::German), out_(out) {
    for (const RegistryKey& key : report_.registry) {
      registryLines_.push_back(report_.Number(key.at));
      for (const RegistryValue* value = report_.ValuesBegin(key); value != report_.ValuesEnd(key);
           ++value) {
        registryLines_.push_back(report_.Number(value->at));
      }
    }
  }

  void Render() {
    const ReportFacts& facts = view_.facts;
    out_ +=
        PageHead(Escaped(std::string(facts.computer.text)) + " - " + EscapedName(view_.fileName),
                 view_.language, "");
    out_ += "<h1>" + std::string(german_ ? "KDXInfo-Bericht " : "KDXInfo report ") +
            Escaped(facts.computer.text) + "</h1>\n";
    out_ += "<p class=\"meta\">" + EscapedName(view_.fileName) + " &middot; " +
            Escaped(report_.marker) + " &middot; " + Num(report_.FileLineCount()) +
            (german_ ? " Zeilen" : " lines") + " &middot; " +
            Escaped(EndWord(report_.end, view_.language)) + "</p>\n";
    const std::string altered = AlterationText(view_.encoding, report_.altered, view_.language);
    if (!altered.empty()) out_ += "<p class=\"altered\">" + Escaped(altered) + "</p>\n";
    Summary();
    Findings();
    Parts();
    out_ += "</body></html>\n";
  }

 private:
  void SummaryRow(std::string_view label, std::string_view value) {
    out_ += "<tr><th>" + Escaped(label) + "</th><td>" + Escaped(value) + "</td></tr>\n";
  }

  void Summary() {
    const ReportFacts& facts = view_.facts;
    out_ += "<h2>PC</h2>\n<table class=\"summary\" id=\"summary\">\n";
    SummaryRow("Windows", facts.windows);
    SummaryRow("Computer", facts.computer.text);
    SummaryRow(german_ ? "Benutzer" : "User", facts.user.text);
    SummaryRow(german_ ? "Datum" : "Date",
               std::string(facts.date.text) + " " + std::string(facts.time.text));
    for (const LabelSoftwareFact& version : facts.labelSoftware) {
      std::string text(version.program);
      if (!version.fileVersion.empty()) text += " (" + version.fileVersion + ")";
      SummaryRow("Software " + std::string(version.version), text);
    }
    for (const PrinterFact& printer : facts.printers) {
      if (printer.line == 0) continue;
      std::string text = printer.name + (german_ ? " an " : " on ") + printer.port;
      if (!printer.driver.empty()) text += (german_ ? ", Treiber " : ", driver ") + printer.driver;
      SummaryRow(german_ ? "Drucker" : "Printer", text);
    }
    for (const ServiceFact& service : facts.services) {
      const std::string state =
          service.installed ? service.state : (german_ ? "nicht installiert" : "not installed");
      SummaryRow(german_ ? "Dienst" : "Service", service.name + " " + state);
    }
    out_ += "</table>\n";
  }

  // The place a line number links to: the line itself, or for registry comment lines, which
  // have no row of their own, the registry part.
  std::string Anchor(std::size_t line) const {
    for (std::size_t i = 0; i < report_.parts.size(); ++i) {
      const ReportPart& part = report_.parts[i];
      if (line < part.first || line >= part.first + part.count) continue;
      if (part.kind == PartKind::Registry && !IsRegistryLine(line)) return Cat({"P", Num(i + 1)});
      break;
    }
    return Cat({"L", Num(line)});
  }

  bool IsRegistryLine(std::size_t number) const {
    return std::binary_search(registryLines_.begin(), registryLines_.end(), number);
  }

  void Findings() {
    out_ += "<h2>" + std::string(german_ ? "Befunde: " : "Findings: ") +
            Escaped(CountsText(CountBySeverity(view_.findings), view_.language)) +
            "</h2>\n<ol id=\"findings\">\n";
    for (const Finding& finding : view_.findings) {
      out_ += "<li class=\"finding " + std::string(SeverityName(finding.severity)) +
              "\" data-code=\"" + std::string(finding.code) + "\"><span class=\"sev\">" +
              Escaped(SeverityWord(finding.severity, view_.language)) + "</span> <code>" +
              std::string(finding.code) + "</code> " +
              Escaped(german_ ? finding.text : finding.textEn) + "<div class=\"remedy\">" +
              (german_ ? "Abhilfe: " : "Remedy: ") +
              Escaped(german_ ? finding.remedy : finding.remedyEn) +
              "</div><div class=\"evidence\">" + (german_ ? "Zeilen: " : "Lines: ");
      for (const std::size_t line : finding.lines) {
        out_ += Cat({"<a href=\"#", Anchor(line), "\">", Num(line), "</a>"});
      }
      out_ += "</div></li>\n";
    }
    out_ += "</ol>\n";
  }

  void Parts() {
    out_ += german_ ? "<h2>Bericht</h2>\n" : "<h2>Report</h2>\n";
    for (std::size_t i = 0; i < report_.parts.size(); ++i) {
      const ReportPart& part = report_.parts[i];
      out_ += "<details class=\"part-" + std::string(PartName(part.kind)) + "\" id=\"P" +
              Num(i + 1) + "\"><summary class=\"part\">" +
              Escaped(PartTitleOf(part.kind, view_.language));
      if (!part.name.empty()) out_ += Cat({" ", Escaped(part.name)});
      out_ += " &middot; " + std::string(german_ ? "Zeilen " : "lines ") + Num(part.first) +
              "&ndash;" + Num(part.first + part.count - 1) + "</summary>\n";
      switch (part.kind) {
        case PartKind::Table:
          Table(part);
          break;
        case PartKind::Registry:
          Registry();
          break;
        case PartKind::FileList:
          FileList(part);
          break;
        default:
          out_ += LinesHtml(report_, part.at, part.at + part.lines, "L");
          break;
      }
      out_ += "</details>\n";
    }
  }

  // The table by its sections, each collapsible, one row per table row.
  void Table(const ReportPart& part) {
    bool open = false;
    Section section = Section::General;
    const std::vector<TableRow>& rows = report_.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const TableRow& row = rows[i];
      if (row.at < part.at || row.at >= part.at + part.lines) continue;
      const std::string_view key = report_.Key(row);
      if (!open || row.section != section || key == Ruler()) {
        if (open) out_ += "</table></details>\n";
        section = row.section;
        std::string title(SectionTitle(section, view_.language));
        // An event log's ruler row is followed by the row that names the log.
        if (i + 1 < rows.size() && report_.Key(rows[i + 1]) == "EventLog") {
          title.append(" ").append(report_.Value(rows[i + 1]));
        }
        out_ += "<details><summary>" + Escaped(title) + "</summary><table class=\"rows\">\n";
        open = true;
      }
      const std::size_t line = report_.Number(row);
      out_ +=
          Cat({"<tr id=\"L", Num(line), "\"><td class=\"n\">", Num(line), "</td><td class=\"key\">",
               EscapedBreakable(key), "</td><td>", EscapedBreakable(report_.Value(row))});
      for (std::uint32_t k = 1; k < row.lineCount; ++k) {
        out_ += Cat({"\n<span id=\"L", Num(report_.Number(row.at + k)), "\">",
                     Escaped(report_.Text(row.at + k)), "</span>"});
      }
      out_ += "</td></tr>\n";
    }
    if (open) out_ += "</table></details>\n";
  }

  void FileList(const ReportPart& part) {
    std::map<std::uint32_t, const FileCopy*> copies;
    std::set<std::uint32_t> firsts;
    for (const FileEntry& entry : report_.files) {
      for (const FileCopy* copy = report_.CopiesBegin(entry); copy != report_.CopiesEnd(entry);
           ++copy) {
        copies.emplace(copy->at, copy);
      }
      firsts.insert(report_.CopiesBegin(entry)->at);
    }
    out_ += Markup(german_ ? "<table class=\"files\"><tr><th></th><th>Datei</th><th>Ordner</th>"
                             "<th>Dateiversion</th><th>Produktversion</th><th>Größe</th>"
                             "<th>Datum</th><th>Firma</th><th>Attr.</th></tr>\n"
                           : "<table class=\"files\"><tr><th></th><th>File</th><th>Folder</th>"
                             "<th>File version</th><th>Product version</th><th>Size</th>"
                             "<th>Date</th><th>Company</th><th>Attr.</th></tr>\n");
    for (std::uint32_t at = part.at; at < part.at + part.lines; ++at) {
      const std::string line = Num(report_.Number(at));
      const auto found = copies.find(at);
      if (found == copies.end()) {
        out_ += Cat({"<tr id=\"L", line, "\"><td class=\"n\">", line, "</td><td colspan=\"8\">",
                     Escaped(report_.Text(at)), "</td></tr>\n"});
        continue;
      }
      const FileCopy& copy = *found->second;
      const FileCopyTexts texts = report_.Copy(copy);
      std::string classes = firsts.count(at) != 0 ? "first" : "";
      if (copy.differs) classes += " differs";
      out_ +=
          Cat({"<tr id=\"L",
               line,
               "\" class=\"",
               classes,
               "\"><td class=\"n\">",
               line,
               "</td><td>",
               Escaped(texts.name),
               copy.differs ? " <span class=\"mark\" title=\"{Different file}\">&ne;</span>" : "",
               "</td><td>",
               Escaped(texts.folder),
               "</td><td>",
               Escaped(texts.fileVersion),
               "</td><td>",
               Escaped(texts.productVersion),
               "</td><td>",
               Escaped(texts.size),
               "</td><td>",
               Escaped(texts.date + " " + texts.time),
               "</td><td>",
               Escaped(texts.company),
               "</td><td>",
               Escaped(texts.attributes),
               "</td></tr>\n"});
    }
    out_ += "</table>\n";
  }

  // The registry block as a tree of its key paths; a key exported twice shows both exports.
  struct Node {
    std::string name;
    std::vector<const RegistryKey*> keys;
    std::vector<std::size_t> children;
  };

  void Registry() {
    std::vector<Node> nodes(1);
    for (const RegistryKey& key : report_.registry) {
      std::size_t node = 0;
      std::string_view rest = report_.KeyPath(key);
      while (true) {
        const std::size_t slash = rest.find('\\');
        const std::string_view name = rest.substr(0, slash);
        std::size_t child = 0;
        for (const std::size_t candidate : nodes[node].children) {
          if (nodes[candidate].name == name) child = candidate;
        }
        if (child == 0) {
          nodes.push_back({std::string(name), {}, {}});
          child = nodes.size() - 1;
          nodes[node].children.push_back(child);
        }
        node = child;
        if (slash == std::string_view::npos) break;
        rest = rest.substr(slash + 1);
      }
      nodes[node].keys.push_back(&key);
    }
    for (const std::size_t root : nodes[0].children) RegistryNode(nodes, root, "");
  }

  void RegistryNode(const std::vector<Node>& nodes, std::size_t index, const std::string& prefix) {
    const Node& node = nodes[index];
    // A key without values of its own and one subkey folds into that subkey's line.
    if (node.keys.empty() && node.children.size() == 1) {
      RegistryNode(nodes, node.children.front(), prefix + node.name + "\\");
      return;
    }
    out_ += "<details><summary";
    if (!node.keys.empty()) {
      out_ += Cat({" id=\"L", Num(report_.Number(node.keys.front()->at)), "\""});
    }
    out_ += Cat({">", Escaped(prefix + node.name), "</summary>\n"});
    for (std::size_t k = 0; k < node.keys.size(); ++k) {
      const RegistryKey& key = *node.keys[k];
      const std::string line = Num(report_.Number(key.at));
      if (k > 0) {
        out_ += Cat({"<div id=\"L", line, "\">",
                     german_ ? "erneut exportiert, Zeile " : "exported again, line ", line,
                     "</div>\n"});
      }
      if (key.valueCount == 0) continue;
      out_ += "<table class=\"values\">\n";
      for (const RegistryValue* value = report_.ValuesBegin(key); value != report_.ValuesEnd(key);
           ++value) {
        const std::string number = Num(report_.Number(value->at));
        const std::string_view name = report_.ValueName(*value);
        out_ += Cat({"<tr id=\"L", number, "\"><td class=\"n\">", number, "</td><td class=\"key\">",
                     name.empty() ? "@" : Escaped(name), "</td><td>",
                     EscapedBreakable(report_.ValueData(*value)), "</td></tr>\n"});
      }
      out_ += "</table>\n";
    }
    for (const std::size_t child : node.children) RegistryNode(nodes, child, "");
    out_ += "</details>\n";
  }

  const ReadView& view_;
  const Report& report_;
  const bool german_;
  std::vector<std::size_t> registryLines_;  // numbers of the key and value lines, ascending
  Output& out_;
};

}  // namespace

void RenderReadHtml(const ReadView& view, Output& out) { HtmlPage(view, out).Render(); }

std::string RenderReadHtml(const ReadView& view) {
  Output out;
  RenderReadHtml(view, out);
  return out.Take();
}

}  // namespace kdx::analysis
