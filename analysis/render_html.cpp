// The report as one self-contained page: summary and findings first, each finding linked to
// its evidence, then every part of the report, collapsed. No scripts: <details> opens and
// closes the parts, and a browser opens the one that holds a linked line by itself.
#include <map>
#include <set>

#include "analysis/render.h"
#include "analysis/report_summary.h"
#include "platform/text_encoding.h"
#include "run/report_table.h"

namespace kdx::analysis {
namespace {

constexpr std::string_view kStyle = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222;max-width:80em}
h1{font-size:1.5em;margin:0 0 .3em}h2{font-size:1.2em;margin:1.2em 0 .4em}
.meta{color:#555}table{border-collapse:collapse}
td,th{padding:1px 6px;vertical-align:top;text-align:left}
.summary th{font-weight:600;padding-right:1em}
#findings{padding-left:1.5em}#findings li{margin:.5em 0}
.sev{display:inline-block;min-width:5.5em;font-weight:700;text-transform:uppercase;font-size:.85em}
.error .sev{color:#b00020}.warning .sev{color:#a15c00}.note .sev{color:#1a5fb4}
.en{color:#555}.evidence{font-size:.9em}.evidence a{margin-right:.4em}
details{margin:.3em 0}details details{margin-left:1.2em}summary{cursor:pointer}
summary.part{font-weight:600}
.lines,.rows td,.files td,.values td{font:12px/1.35 ui-monospace,Consolas,monospace;white-space:pre-wrap;word-break:break-all}
.n{color:#888;text-align:right;user-select:none}
.rows tr:target,.files tr:target,.values tr:target,.lines span:target,summary:target{background:#fff3b0}
.files tr.first td{border-top:1px solid #ccc}
.files tr.differs td{background:#fde2e1}.files .mark{color:#b00020;font-weight:700}
.key{color:#333}
@media print{body{margin:0;max-width:none}summary{cursor:auto}a{color:inherit;text-decoration:none}}
)";

std::string Escaped(std::string_view cp1252) {
  std::string out;
  for (const char c : Cp1252ToUtf8(cp1252)) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

// The file name comes from the command line, already in the terminal's encoding.
std::string EscapedName(std::string_view name) { return Escaped(Utf8ToCp1252(name)); }

std::string_view GermanSeverity(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "Fehler";
    case Severity::Warning:
      return "Warnung";
    case Severity::Note:
      break;
  }
  return "Hinweis";
}

std::string_view GermanPartName(PartKind kind) {
  switch (kind) {
    case PartKind::Marker:
      return "Kennung";
    case PartKind::Table:
      return "Berichtstabelle";
    case PartKind::LogFile:
      return "Logdatei";
    case PartKind::Registry:
      return "Registry";
    case PartKind::FileList:
      return "Dateiliste";
    case PartKind::Checks:
      return "Prüfzeilen";
    case PartKind::End:
      return "Ende";
    case PartKind::Unrecognised:
      break;
  }
  return "Nicht erkannt";
}

std::string Num(std::size_t n) { return std::to_string(n); }

class HtmlPage {
 public:
  explicit HtmlPage(const ReadView& view) : view_(view), report_(view.report) {
    for (const RegistryKey& key : report_.registry) {
      registryLines_.insert(key.line);
      for (const RegistryValue& value : key.values) registryLines_.insert(value.line);
    }
  }

  std::string Render() {
    const PcSummary summary = Summarise(report_);
    out_ += "<!DOCTYPE html>\n<html lang=\"de\"><head><meta charset=\"utf-8\">\n";
    out_ += "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">\n";
    out_ += "<title>KDXInfo " + Escaped(summary.computer) + " - " + EscapedName(view_.fileName) +
            "</title>\n<style>" + std::string(kStyle) + "</style></head>\n<body>\n";
    out_ += "<h1>KDXInfo-Bericht " + Escaped(summary.computer) + "</h1>\n";
    out_ += "<p class=\"meta\">" + EscapedName(view_.fileName) + " &middot; " +
            Escaped(report_.marker) + " &middot; " + Num(report_.lines.size()) + " Zeilen</p>\n";
    Summary(summary);
    Findings();
    Parts();
    out_ += "</body></html>\n";
    return std::move(out_);
  }

 private:
  void SummaryRow(std::string_view label, const std::string& value) {
    out_ += "<tr><th>" + std::string(label) + "</th><td>" + Escaped(value) + "</td></tr>\n";
  }

  void Summary(const PcSummary& summary) {
    out_ += "<h2>PC</h2>\n<table class=\"summary\" id=\"summary\">\n";
    SummaryRow("Windows", summary.windows);
    SummaryRow("Computer", summary.computer);
    SummaryRow("Benutzer", summary.user);
    for (const LabelSoftwareFact& version : summary.labelSoftware) {
      std::string text(version.program);
      if (!version.fileVersion.empty()) text += " (" + version.fileVersion + ")";
      SummaryRow("Software " + std::string(version.version), text);
    }
    for (const PrinterFact& printer : summary.printers) {
      std::string text = printer.name + " an " + printer.port;
      if (!printer.driver.empty()) text += ", Treiber " + printer.driver;
      SummaryRow("Drucker", text);
    }
    for (const ServiceFact& service : summary.services) {
      SummaryRow("Dienst",
                 service.name + " " + (service.installed ? service.state : "nicht installiert"));
    }
    out_ += "</table>\n";
  }

  // The place a line number links to: the line itself, or for registry comment lines, which
  // have no row of their own, the registry part.
  std::string Anchor(std::size_t line) const {
    for (std::size_t i = 0; i < report_.parts.size(); ++i) {
      const ReportPart& part = report_.parts[i];
      if (line < part.first || line >= part.first + part.count) continue;
      if (part.kind == PartKind::Registry && registryLines_.count(line) == 0) {
        return "P" + Num(i + 1);
      }
      break;
    }
    return "L" + Num(line);
  }

  void Findings() {
    out_ += "<h2>Befunde (" + Num(view_.findings.size()) + ")</h2>\n<ol id=\"findings\">\n";
    for (const Finding& finding : view_.findings) {
      out_ += "<li class=\"finding " + std::string(SeverityName(finding.severity)) +
              "\" data-code=\"" + std::string(finding.code) + "\"><span class=\"sev\">" +
              std::string(GermanSeverity(finding.severity)) + "</span> <code>" +
              std::string(finding.code) + "</code> " + Escaped(finding.text) +
              "<br><span class=\"en\">" + Escaped(finding.textEn) +
              "</span><div class=\"evidence\">Zeilen: ";
      for (const std::size_t line : finding.lines) {
        out_ += "<a href=\"#" + Anchor(line) + "\">" + Num(line) + "</a>";
      }
      out_ += "</div></li>\n";
    }
    out_ += "</ol>\n";
  }

  void Parts() {
    out_ += "<h2>Bericht</h2>\n";
    for (std::size_t i = 0; i < report_.parts.size(); ++i) {
      const ReportPart& part = report_.parts[i];
      out_ += "<details class=\"part-" + std::string(PartName(part.kind)) + "\" id=\"P" +
              Num(i + 1) + "\"><summary class=\"part\">" + Escaped(GermanPartName(part.kind));
      if (!part.name.empty()) out_ += " " + Escaped(part.name);
      out_ += " &middot; Zeilen " + Num(part.first) + "&ndash;" + Num(part.first + part.count - 1) +
              "</summary>\n";
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
          Lines(part.first, part.first + part.count);
          break;
      }
      out_ += "</details>\n";
    }
  }

  void Lines(std::size_t first, std::size_t end) {
    out_ += "<div class=\"lines\">";
    for (std::size_t line = first; line < end; ++line) {
      out_ += "<span id=\"L" + Num(line) + "\"><span class=\"n\">" + Num(line) + "</span> " +
              Escaped(report_.Line(line)) + "</span>\n";
    }
    out_ += "</div>\n";
  }

  // The table by its sections, each collapsible, one row per table row.
  void Table(const ReportPart& part) {
    bool open = false;
    Section section = Section::General;
    const std::vector<TableRow>& rows = report_.rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const TableRow& row = rows[i];
      if (row.line < part.first || row.line >= part.first + part.count) continue;
      if (!open || row.section != section || row.key == Ruler()) {
        if (open) out_ += "</table></details>\n";
        section = row.section;
        std::string title(SectionName(section));
        // An event log's ruler row is followed by the row that names the log.
        if (i + 1 < rows.size() && rows[i + 1].key == "EventLog") {
          title += " " + std::string(rows[i + 1].value);
        }
        out_ += "<details><summary>" + Escaped(title) + "</summary><table class=\"rows\">\n";
        open = true;
      }
      out_ += "<tr id=\"L" + Num(row.line) + "\"><td class=\"n\">" + Num(row.line) +
              "</td><td class=\"key\">" + Escaped(row.key) + "</td><td>" + Escaped(row.value);
      for (std::size_t k = 1; k < row.lineCount; ++k) {
        out_ += "\n<span id=\"L" + Num(row.line + k) + "\">" + Escaped(report_.Line(row.line + k)) +
                "</span>";
      }
      out_ += "</td></tr>\n";
    }
    if (open) out_ += "</table></details>\n";
  }

  void FileList(const ReportPart& part) {
    std::map<std::size_t, const FileCopy*> copies;
    std::set<std::size_t> firsts;
    for (const FileEntry& entry : report_.files) {
      for (const FileCopy& copy : entry.copies) copies.emplace(copy.line, &copy);
      firsts.insert(entry.copies.front().line);
    }
    out_ += Cp1252ToUtf8(
        "<table class=\"files\"><tr><th></th><th>Datei</th><th>Ordner</th>"
        "<th>Dateiversion</th><th>Produktversion</th><th>Größe</th><th>Datum</th>"
        "<th>Firma</th><th>Attr.</th></tr>\n");
    for (std::size_t line = part.first; line < part.first + part.count; ++line) {
      const auto found = copies.find(line);
      if (found == copies.end()) {
        out_ += "<tr id=\"L" + Num(line) + "\"><td class=\"n\">" + Num(line) +
                "</td><td colspan=\"8\">" + Escaped(report_.Line(line)) + "</td></tr>\n";
        continue;
      }
      const FileCopy& copy = *found->second;
      std::string classes = firsts.count(line) != 0 ? "first" : "";
      if (copy.differs) classes += " differs";
      out_ += "<tr id=\"L" + Num(line) + "\" class=\"" + classes + "\"><td class=\"n\">" +
              Num(line) + "</td><td>" + Escaped(copy.name) +
              (copy.differs ? " <span class=\"mark\" title=\"{Different file}\">&ne;</span>" : "") +
              "</td><td>" + Escaped(copy.folder) + "</td><td>" + Escaped(copy.fileVersion) +
              "</td><td>" + Escaped(copy.productVersion) + "</td><td>" + Escaped(copy.size) +
              "</td><td>" + Escaped(copy.date + " " + copy.time) + "</td><td>" +
              Escaped(copy.company) + "</td><td>" + Escaped(copy.attributes) + "</td></tr>\n";
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
      std::string_view rest = key.path;
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
    if (!node.keys.empty()) out_ += " id=\"L" + Num(node.keys.front()->line) + "\"";
    out_ += ">" + Escaped(prefix + node.name) + "</summary>\n";
    for (std::size_t k = 0; k < node.keys.size(); ++k) {
      const RegistryKey& key = *node.keys[k];
      if (k > 0)
        out_ += "<div id=\"L" + Num(key.line) + "\">erneut exportiert, Zeile " + Num(key.line) +
                "</div>\n";
      if (key.values.empty()) continue;
      out_ += "<table class=\"values\">\n";
      for (const RegistryValue& value : key.values) {
        out_ += "<tr id=\"L" + Num(value.line) + "\"><td class=\"n\">" + Num(value.line) +
                "</td><td class=\"key\">" + (value.name.empty() ? "@" : Escaped(value.name)) +
                "</td><td>" + Escaped(value.data) + "</td></tr>\n";
      }
      out_ += "</table>\n";
    }
    for (const std::size_t child : node.children) RegistryNode(nodes, child, "");
    out_ += "</details>\n";
  }

  const ReadView& view_;
  const Report& report_;
  std::set<std::size_t> registryLines_;
  std::string out_;
};

}  // namespace

std::string RenderReadHtml(const ReadView& view) { return HtmlPage(view).Render(); }

std::string RenderDiffHtml(const DiffView& view) {
  std::string out = "<!DOCTYPE html>\n<html lang=\"de\"><head><meta charset=\"utf-8\">\n";
  out += "<title>KDXInfo Vergleich</title>\n<style>" + std::string(kStyle) +
         "td{font:12px/1.35 ui-monospace,Consolas,monospace;white-space:pre-wrap;"
         "word-break:break-all;border-top:1px solid #eee}"
         ".added td.c{color:#1a7f37}.removed td.c{color:#b00020}.changed td.c{color:#a15c00}"
         "</style></head>\n<body>\n";
  out += "<h1>KDXInfo-Vergleich</h1>\n<p class=\"meta\">alt: " + EscapedName(view.oldName) +
         "<br>neu: " + EscapedName(view.newName) + "</p>\n";
  out += Cp1252ToUtf8("<h2>Änderungen (" + Num(view.changes.size()) + ")</h2>\n");
  out += Cp1252ToUtf8(
      "<table id=\"changes\"><tr><th>Teil</th><th>Änderung</th><th>Gegenstand</th>"
      "<th>alt</th><th>neu</th><th>Zeilen</th></tr>\n");
  for (const Change& change : view.changes) {
    out += "<tr class=\"" + std::string(ChangeName(change.change)) + "\"><td>" +
           std::string(change.part) + "</td><td class=\"c\">" +
           std::string(ChangeName(change.change)) + "</td><td>" + Escaped(change.subject) +
           "</td><td>" + Escaped(change.oldValue) + "</td><td>" + Escaped(change.newValue) +
           "</td><td>" + (change.oldLine != 0 ? Num(change.oldLine) : "") + " / " +
           (change.newLine != 0 ? Num(change.newLine) : "") + "</td></tr>\n";
  }
  out += "</table>\n</body></html>\n";
  return out;
}

}  // namespace kdx::analysis
