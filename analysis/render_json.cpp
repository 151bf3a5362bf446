// The JSON forms of `kdxinfo read` and `kdxinfo diff` (docs/report-json.md and its JSON
// Schema): both languages' texts, every member always present.
#include <nlohmann/json.hpp>

#include "analysis/render.h"
#include "analysis/utf8.h"

namespace kdx::analysis {
namespace {

using nlohmann::ordered_json;

ordered_json TextOrNull(const std::string& text, bool present) {
  return present ? ordered_json(Utf8(text)) : ordered_json(nullptr);
}

ordered_json LineOrNull(std::size_t line) {
  return line == 0 ? ordered_json(nullptr) : ordered_json(line);
}

ordered_json CountsJson(const std::array<std::size_t, 3>& counts) {
  return {{"error", counts[0]}, {"warning", counts[1]}, {"note", counts[2]}};
}

ordered_json FindingJson(const Finding& finding) {
  return {{"code", std::string(finding.code)},
          {"severity", std::string(SeverityName(finding.severity))},
          {"subject", Utf8(finding.subject)},
          {"text", Utf8(finding.text)},
          {"textEn", Utf8(finding.textEn)},
          {"remedy", Utf8(finding.remedy)},
          {"remedyEn", Utf8(finding.remedyEn)},
          {"lines", finding.lines}};
}

ordered_json SummaryJson(const ReportFacts& facts) {
  ordered_json json;
  json["windows"] = Utf8(facts.windows);
  json["computer"] = Utf8(facts.computer.text);
  json["user"] = Utf8(facts.user.text);
  json["date"] = Utf8(facts.date.text);
  json["time"] = Utf8(facts.time.text);
  json["labelSoftware"] = ordered_json::array();
  for (const LabelSoftwareFact& version : facts.labelSoftware) {
    json["labelSoftware"].push_back({{"version", Utf8(version.version)},
                                     {"program", Utf8(version.program)},
                                     {"fileVersion", Utf8(version.fileVersion)},
                                     {"line", version.line}});
  }
  json["printers"] = ordered_json::array();
  for (const PrinterFact& printer : facts.printers) {
    if (printer.line == 0) continue;
    json["printers"].push_back({{"name", Utf8(printer.name)},
                                {"port", Utf8(printer.port)},
                                {"driver", Utf8(printer.driver)},
                                {"labelPrinter", printer.labelPrinter},
                                {"line", printer.line}});
  }
  json["services"] = ordered_json::array();
  for (const ServiceFact& service : facts.services) {
    json["services"].push_back({{"name", Utf8(service.name)},
                                {"installed", service.installed},
                                {"known", service.known},
                                {"state", Utf8(service.state)},
                                {"line", service.line}});
  }
  return json;
}

std::string Dump(const ordered_json& json, int indent) {
  return json.dump(indent, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace

// A JSON text indented by more, as the member of an array nested one level deeper shows it.
std::string Indented(const std::string& json, std::string_view more) {
  std::string out(more);
  for (const char c : json) {
    out += c;
    if (c == '\n') out += more;
  }
  return out;
}

// A string as JSON writes it: quoted, its quote, backslash and control characters escaped.
void AppendJsonString(std::string& out, std::string_view utf8) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\b':
        out += "\\b";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          out += "\\u00";
          out += kHex[(c >> 4) & 0xF];
          out += kHex[c & 0xF];
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

// A finding as an element of the findings array, written as a dump of the whole document
// writes it; a report's tens of thousands of findings then need no JSON tree.
std::string FindingText(const Finding& finding) {
  std::string out = "    {\n";
  const auto member = [&](std::string_view name, std::string_view cp1252) {
    out += "      \"" + std::string(name) + "\": ";
    AppendJsonString(out, Utf8(cp1252));
    out += ",\n";
  };
  member("code", finding.code);
  member("severity", SeverityName(finding.severity));
  member("subject", finding.subject);
  member("text", finding.text);
  member("textEn", finding.textEn);
  member("remedy", finding.remedy);
  member("remedyEn", finding.remedyEn);
  out += "      \"lines\": [";
  for (std::size_t i = 0; i < finding.lines.size(); ++i) {
    out += (i == 0 ? "\n        " : ",\n        ") + std::to_string(finding.lines[i]);
  }
  out += finding.lines.empty() ? "]\n    }" : "\n      ]\n    }";
  return out;
}

// The document is put out finding by finding, as one dump of it would write it, so that a
// report of many findings is not held as one JSON tree.
void RenderReadJson(const ReadView& view, Output& out) {
  const Report& report = view.report;
  ordered_json head;
  head["schema"] = "kdxinfo-read";
  head["version"] = kJsonSchemaVersion;
  head["file"] = std::string(view.fileName);
  head["encoding"] = std::string(EncodingCode(view.encoding));
  head["blanksStripped"] = report.altered.blanksStripped;
  head["wrapWidth"] = LineOrNull(report.altered.wrapWidth);
  head["altered"] = view.encoding != ReportEncoding::Ansi || report.altered.Any();
  head["marker"] = Utf8(report.marker);
  head["lineCount"] = report.FileLineCount();
  head["end"] = std::string(EndCode(report.end));
  head["summary"] = SummaryJson(view.facts);
  head["counts"] = CountsJson(CountBySeverity(view.findings));
  std::string text = Dump(head, 2);
  text.resize(text.size() - 3);  // the closing "\n}\n"
  out += text;
  out += ",\n  \"findings\": [";
  for (std::size_t i = 0; i < view.findings.size(); ++i) {
    out += i == 0 ? "\n" : ",\n";
    out += FindingText(view.findings[i]);
  }
  out += view.findings.empty() ? "],\n" : "\n  ],\n";
  ordered_json parts = ordered_json::array();
  for (const ReportPart& part : report.parts) {
    parts.push_back({{"kind", std::string(PartName(part.kind))},
                     {"name", Utf8(part.name)},
                     {"firstLine", part.first},
                     {"lineCount", part.count}});
  }
  std::string partsText = Dump(parts, 2);
  partsText.pop_back();
  out += "  \"parts\": " + Indented(partsText, "  ").substr(2) + "\n}\n";
}

std::string RenderReadJson(const ReadView& view) {
  Output out;
  RenderReadJson(view, out);
  return out.Take();
}

std::string RenderDiffJson(const DiffView& view) {
  const ReportDiff& diff = view.diff;
  ordered_json json;
  json["schema"] = "kdxinfo-diff";
  json["version"] = kJsonSchemaVersion;
  json["old"] = std::string(view.oldName);
  json["new"] = std::string(view.newName);
  json["oldComputer"] = Utf8(diff.oldComputer);
  json["newComputer"] = Utf8(diff.newComputer);
  json["sameComputer"] = diff.SameComputer();
  json["changes"] = ordered_json::array();
  for (const Change& change : diff.changes) {
    const bool finding = change.part == DiffPart::Findings;
    const bool hasOld = change.change != ChangeKind::Added;
    const bool hasNew = change.change != ChangeKind::Removed;
    json["changes"].push_back({{"part", std::string(PartCode(change.part))},
                               {"change", std::string(ChangeName(change.change))},
                               {"subject", Utf8(change.subject)},
                               {"old", TextOrNull(change.oldValue, hasOld)},
                               {"new", TextOrNull(change.newValue, hasNew)},
                               {"oldEn", TextOrNull(change.oldValueEn, finding && hasOld)},
                               {"newEn", TextOrNull(change.newValueEn, finding && hasNew)},
                               {"oldLine", LineOrNull(change.oldLine)},
                               {"newLine", LineOrNull(change.newLine)}});
  }
  return Dump(json, 2);
}

std::string RenderBatchJson(const BatchLine& line) {
  const bool read = line.problem.empty();
  ordered_json json;
  json["schema"] = "kdxinfo-read-line";
  json["version"] = kJsonSchemaVersion;
  json["file"] = line.fileName;
  json["status"] = line.status;
  json["problem"] = TextOrNull(line.problem, !read);
  json["problemEn"] = TextOrNull(line.problemEn, !read);
  json["encoding"] = read ? ordered_json(std::string(EncodingCode(line.encoding))) : nullptr;
  json["altered"] = line.altered;
  json["end"] = read ? ordered_json(std::string(EndCode(line.end))) : nullptr;
  json["computer"] = TextOrNull(line.computer, read);
  json["date"] = TextOrNull(line.date, read);
  json["windows"] = TextOrNull(line.windows, read);
  json["software"] = ordered_json::array();
  for (const std::string& version : line.software) json["software"].push_back(Utf8(version));
  json["printers"] = ordered_json::array();
  for (const std::string& printer : line.printers) json["printers"].push_back(Utf8(printer));
  json["counts"] = CountsJson(line.counts);
  json["firstError"] = line.hasError ? FindingJson(line.firstError) : ordered_json(nullptr);
  json["page"] = line.page.empty() ? ordered_json(nullptr) : ordered_json(line.page);
  return Dump(json, -1);
}

}  // namespace kdx::analysis
