// The terminal and JSON forms of `kdxinfo read` and `kdxinfo diff`.
#include <nlohmann/json.hpp>

#include "analysis/render.h"
#include "analysis/report_summary.h"
#include "platform/text_encoding.h"

namespace kdx::analysis {
namespace {

using nlohmann::ordered_json;

// Evidence shown under a finding on the terminal; the rest is counted.
constexpr std::size_t kShownEvidence = 8;
// Registry and file list lines run long; the terminal shows their beginning.
constexpr std::size_t kShownLineWidth = 160;

std::string Utf8(std::string_view text) { return Cp1252ToUtf8(text); }

std::string_view EndName(ReportEnd end) {
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

std::string_view GermanSeverity(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "FEHLER ";
    case Severity::Warning:
      return "WARNUNG";
    case Severity::Note:
      break;
  }
  return "HINWEIS";
}

std::string ShownLine(std::string_view line) {
  std::string shown;
  for (const char c : line.substr(0, kShownLineWidth)) {
    if (c == '\t') {
      shown += " | ";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      shown += ' ';
    } else {
      shown += c;
    }
  }
  if (line.size() > kShownLineWidth) shown += " ...";
  return Utf8(shown);
}

std::string ServiceText(const ServiceFact& service) {
  if (!service.installed) return service.name + " nicht installiert";
  if (!service.known) return service.name + " unbekannt";
  return service.name + " " + service.state;
}

std::string PrinterText(const PrinterFact& printer) {
  std::string text = printer.name + " an " + printer.port;
  if (!printer.driver.empty()) text += ", Treiber " + printer.driver;
  return text;
}

std::string LabelSoftwareText(const LabelSoftwareFact& version) {
  std::string text(version.program);
  if (!version.fileVersion.empty()) text += " (" + version.fileVersion + ")";
  return text;
}

void AppendSummary(std::string& out, const Report& report) {
  const PcSummary summary = Summarise(report);
  out += "\nPC:\n";
  out += "  Windows:   " + Utf8(summary.windows) + "\n";
  out += "  Computer:  " + Utf8(summary.computer) + "\n";
  out += "  Benutzer:  " + Utf8(summary.user) + "\n";
  for (const LabelSoftwareFact& version : summary.labelSoftware) {
    out += "  Software " + Utf8(version.version) + ": " + Utf8(LabelSoftwareText(version)) + "\n";
  }
  for (const PrinterFact& printer : summary.printers) {
    out += "  Drucker:   " + Utf8(PrinterText(printer)) + "\n";
  }
  for (const ServiceFact& service : summary.services) {
    out += "  Dienst:    " + Utf8(ServiceText(service)) + "\n";
  }
}

std::string Counts(const std::vector<Finding>& findings) {
  int counts[3] = {0, 0, 0};
  for (const Finding& finding : findings) ++counts[static_cast<int>(finding.severity)];
  return std::to_string(counts[0]) + " Fehler, " + std::to_string(counts[1]) +
         (counts[1] == 1 ? " Warnung, " : " Warnungen, ") + std::to_string(counts[2]) +
         (counts[2] == 1 ? " Hinweis" : " Hinweise");
}

ordered_json SummaryJson(const Report& report) {
  const PcSummary summary = Summarise(report);
  ordered_json json;
  json["windows"] = Utf8(summary.windows);
  json["computer"] = Utf8(summary.computer);
  json["user"] = Utf8(summary.user);
  json["labelSoftware"] = ordered_json::array();
  for (const LabelSoftwareFact& version : summary.labelSoftware) {
    json["labelSoftware"].push_back({{"version", Utf8(version.version)},
                                     {"program", Utf8(version.program)},
                                     {"fileVersion", Utf8(version.fileVersion)},
                                     {"line", version.line}});
  }
  json["printers"] = ordered_json::array();
  for (const PrinterFact& printer : summary.printers) {
    json["printers"].push_back({{"name", Utf8(printer.name)},
                                {"port", Utf8(printer.port)},
                                {"driver", Utf8(printer.driver)},
                                {"line", printer.line}});
  }
  json["services"] = ordered_json::array();
  for (const ServiceFact& service : summary.services) {
    json["services"].push_back({{"name", Utf8(service.name)},
                                {"installed", service.installed},
                                {"state", Utf8(service.state)},
                                {"line", service.line}});
  }
  return json;
}

std::string Dump(const ordered_json& json) {
  return json.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

ordered_json ValueOrNull(const std::string& value, std::size_t line) {
  return line == 0 ? ordered_json(nullptr) : ordered_json(Utf8(value));
}

ordered_json LineOrNull(std::size_t line) {
  return line == 0 ? ordered_json(nullptr) : ordered_json(line);
}

}  // namespace

std::string RenderReadText(const ReadView& view) {
  const Report& report = view.report;
  std::string out = "Bericht " + std::string(view.fileName) + ": " + Utf8(report.marker) + ", " +
                    std::to_string(report.lines.size()) + " Zeilen, " +
                    std::string(EndName(report.end)) + "\n";
  out += "Befunde: " + Counts(view.findings) + "\n";
  for (const Finding& finding : view.findings) {
    out += "\n" + std::string(GermanSeverity(finding.severity)) + "  " + std::string(finding.code) +
           "\n";
    out += "         " + Utf8(finding.text) + "\n";
    out += "         " + Utf8(finding.textEn) + "\n";
    for (std::size_t i = 0; i < finding.lines.size() && i < kShownEvidence; ++i) {
      const std::size_t line = finding.lines[i];
      out += "         Zeile " + std::to_string(line) + ": " + ShownLine(report.Line(line)) + "\n";
    }
    if (finding.lines.size() > kShownEvidence) {
      out += "         ... und " + std::to_string(finding.lines.size() - kShownEvidence) +
             " weitere Zeilen\n";
    }
  }
  AppendSummary(out, report);
  return out;
}

std::string RenderReadJson(const ReadView& view) {
  const Report& report = view.report;
  ordered_json json;
  json["schema"] = "kdxinfo-read";
  json["version"] = kJsonSchemaVersion;
  json["file"] = std::string(view.fileName);
  json["encoding"] = std::string(EncodingName(view.encoding));
  json["marker"] = Utf8(report.marker);
  json["lineCount"] = report.lines.size();
  json["end"] = std::string(EndName(report.end));
  json["summary"] = SummaryJson(report);
  json["findings"] = ordered_json::array();
  for (const Finding& finding : view.findings) {
    json["findings"].push_back({{"code", std::string(finding.code)},
                                {"severity", std::string(SeverityName(finding.severity))},
                                {"text", Utf8(finding.text)},
                                {"textEn", Utf8(finding.textEn)},
                                {"lines", finding.lines}});
  }
  json["parts"] = ordered_json::array();
  for (const ReportPart& part : report.parts) {
    json["parts"].push_back({{"kind", std::string(PartName(part.kind))},
                             {"name", Utf8(part.name)},
                             {"firstLine", part.first},
                             {"lineCount", part.count}});
  }
  return Dump(json);
}

std::string RenderDiffText(const DiffView& view) {
  std::string out = "Vergleich " + std::string(view.oldName) + " -> " + std::string(view.newName) +
                    ": " + std::to_string(view.changes.size()) + Utf8(" Änderungen") + "\n";
  std::string_view part;
  for (const Change& change : view.changes) {
    if (change.part != part) {
      part = change.part;
      out += "\n[" + std::string(part) + "]\n";
    }
    out += "  " + std::string(ChangeName(change.change)) + "  " + ShownLine(change.subject) + "\n";
    if (change.oldLine != 0) {
      out += "      alt (Zeile " + std::to_string(change.oldLine) +
             "): " + ShownLine(change.oldValue) + "\n";
    }
    if (change.newLine != 0) {
      out += "      neu (Zeile " + std::to_string(change.newLine) +
             "): " + ShownLine(change.newValue) + "\n";
    }
  }
  return out;
}

std::string RenderDiffJson(const DiffView& view) {
  ordered_json json;
  json["schema"] = "kdxinfo-diff";
  json["version"] = kJsonSchemaVersion;
  json["old"] = std::string(view.oldName);
  json["new"] = std::string(view.newName);
  json["changes"] = ordered_json::array();
  for (const Change& change : view.changes) {
    json["changes"].push_back({{"part", std::string(change.part)},
                               {"change", std::string(ChangeName(change.change))},
                               {"subject", Utf8(change.subject)},
                               {"old", ValueOrNull(change.oldValue, change.oldLine)},
                               {"new", ValueOrNull(change.newValue, change.newLine)},
                               {"oldLine", LineOrNull(change.oldLine)},
                               {"newLine", LineOrNull(change.newLine)}});
  }
  return Dump(json);
}

}  // namespace kdx::analysis
