#include "analysis/html_page.h"

#include "analysis/text_match.h"
#include "analysis/utf8.h"
#include "platform/text_encoding.h"

namespace kdx::analysis {
namespace {

// Long registry and file list lines wrap only where they have no room, never in the middle of
// a word that fits; the tables have fixed columns so that a long value cannot squeeze them.
constexpr std::string_view kStyle = R"(
body{font:14px/1.4 system-ui,sans-serif;margin:1.5em;color:#222;max-width:80em}
h1{font-size:1.5em;margin:0 0 .3em}h2{font-size:1.2em;margin:1.2em 0 .4em}
.meta{color:#555}.altered{background:#fff3cd;border:1px solid #e0c060;padding:.4em .6em}
table{border-collapse:collapse}
td,th{padding:1px 6px;vertical-align:top;text-align:left;overflow-wrap:break-word}
th{white-space:nowrap}
.summary th{font-weight:600;padding-right:1em}
#findings{padding-left:1.5em}#findings li{margin:.5em 0}
.sev{display:inline-block;min-width:5.5em;font-weight:700;text-transform:uppercase;font-size:.85em}
.error .sev{color:#b00020}.warning .sev{color:#a15c00}.note .sev{color:#1a5fb4}
.remedy{color:#333;font-style:italic}.evidence{font-size:.9em}.evidence a{margin-right:.4em}
details{margin:.3em 0}details details{margin-left:1.2em}summary{cursor:pointer}
summary.part{font-weight:600}
.lines,.rows td,.files td,.values td,.changes td{font:12px/1.35 ui-monospace,Consolas,monospace;white-space:pre-wrap;overflow-wrap:break-word}
.rows,.values,.changes{table-layout:fixed;width:100%}
.rows td:first-child,.values td:first-child{width:4.5em}.rows td.key,.values td.key{width:30%}
.n{color:#888;text-align:right;user-select:none}
.rows tr:target,.files tr:target,.values tr:target,.lines span:target,summary:target{background:#fff3b0}
.files tr.first td{border-top:1px solid #ccc}
.files tr.differs td{background:#fde2e1}.files .mark{color:#b00020;font-weight:700}
.changes td{border-top:1px solid #eee}
.added td.c{color:#1a7f37}.removed td.c{color:#b00020}.changed td.c{color:#a15c00}
.key{color:#333}
@media print{body{margin:0;max-width:none}summary{cursor:auto}a{color:inherit;text-decoration:none}}
)";

}  // namespace

std::string Escaped(std::string_view cp1252) {
  std::string text = Utf8(cp1252);
  if (text.find_first_of("&<>\"") == std::string::npos) return text;
  std::string out;
  for (const char c : text) {
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

std::string EscapedBreakable(std::string_view cp1252) {
  std::string text = Escaped(cp1252);
  if (text.find_first_of("\\,;") == std::string::npos) return text;
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  for (const char c : text) {
    out += c;
    if (c == '\\' || c == ',' || c == ';') out += "<wbr>";
  }
  return out;
}

// The file name comes from the command line, already in the terminal's encoding.
std::string EscapedName(std::string_view name) { return Escaped(Utf8ToCp1252(name)); }

std::string Markup(std::string_view cp1252) { return Cp1252ToUtf8(cp1252); }

std::string Num(std::size_t number) { return std::to_string(number); }

std::string PageHead(const std::string& title, Language language, std::string_view style) {
  return "<!DOCTYPE html>\n<html lang=\"" +
         std::string(language == Language::German ? "de" : "en") +
         "\"><head><meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width,initial-scale=1\">\n"
         "<title>KDXInfo " +
         title + "</title>\n<style>" + std::string(kStyle) + std::string(style) +
         "</style></head>\n<body>\n";
}

std::string LinesHtml(const Report& report, std::uint32_t begin, std::uint32_t end,
                      std::string_view idPrefix) {
  std::string out = "<div class=\"lines\">";
  for (std::uint32_t at = begin; at < end; ++at) {
    const std::string number = Num(report.Number(at));
    out += Cat({"<span id=\"", idPrefix, number, "\"><span class=\"n\">", number, "</span> ",
                Escaped(report.Text(at)), "</span>\n"});
  }
  return out + "</div>\n";
}

}  // namespace kdx::analysis
