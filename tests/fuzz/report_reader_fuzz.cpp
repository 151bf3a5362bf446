// Reports come back from customers after any editor or mail program: any bytes must read,
// write back unchanged, and go through the facts, the rules, the comparison, the page and
// the line of a batch without harm; every evidence line must be a line of the file. A first
// byte of 1 to 3 makes the rest arrive as mail leaves it: its lines stripped of trailing
// blanks (1), broken at a width (2), or both (3), so that the joining of re-wrapped lines
// gets its share; any other input is taken as it is.
// (The JSON renderers only hand the same texts to nlohmann; they are left out for speed.)
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/findings.h"
#include "analysis/render.h"
#include "analysis/report_diff.h"
#include "analysis/report_encoding.h"
#include "analysis/report_facts.h"
#include "analysis/report_reader.h"

namespace {

// The bytes with each line's trailing blanks taken off, or broken at a width like mail.
std::string Mailed(std::string_view bytes, unsigned char how) {
  std::string out;
  const std::size_t width = 40 + bytes.size() % 41;
  std::size_t column = 0;
  std::size_t lineStart = 0;
  for (const char c : bytes) {
    if (c == '\n') {
      if ((how & 1) != 0) {
        while (out.size() > lineStart && (out.back() == ' ' || out.back() == '\t')) out.pop_back();
      }
      out += c;
      column = 0;
      lineStart = out.size();
      continue;
    }
    if ((how & 2) != 0 && column == width) {
      out += "\r\n";
      column = 0;
      lineStart = out.size();
    }
    out += c;
    ++column;
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace analysis = kdx::analysis;
  const std::string_view whole(reinterpret_cast<const char*>(data), size);
  const bool mailed = size > 0 && data[0] >= 1 && data[0] <= 3;
  const std::string_view input = mailed ? whole.substr(1) : whole;
  const std::string bytes = mailed ? Mailed(input, data[0]) : std::string(input);
  const analysis::Report report = analysis::ReadReport(bytes);
  if (analysis::WriteReport(report) != bytes) __builtin_trap();
  const analysis::ReportFacts facts = analysis::GatherFacts(report);
  const std::vector<analysis::Finding> findings = analysis::FindFindings(facts);
  for (const analysis::Finding& finding : findings) {
    for (const std::size_t line : finding.lines) {
      if (line == 0 || line > report.FileLineCount()) __builtin_trap();
    }
  }
  const analysis::ReadView view{"fuzz.txt", analysis::ReportEncoding::Ansi, report, facts,
                                findings};
  analysis::RenderReadHtml(view);
  analysis::RenderReadText(view);
  analysis::RenderBatchText(analysis::BatchLineOf(view, 0), analysis::Language::English);
  const analysis::Report half =
      analysis::ReadReport(std::string_view(bytes).substr(0, bytes.size() / 2));
  const analysis::ReportFacts halfFacts = analysis::GatherFacts(half);
  const analysis::ReportDiff diff =
      analysis::DiffReports(halfFacts, analysis::FindFindings(halfFacts), facts, findings);
  analysis::RenderDiffText({"half.txt", "fuzz.txt", half, report, diff});
  const analysis::DecodedReport decoded = analysis::DecodeReport(std::string(input));
  if (decoded.encoding == analysis::ReportEncoding::Ansi && decoded.bytes != input) {
    __builtin_trap();
  }
  return 0;
}
