// Reports come back from customers after any editor or mail program: any bytes must read,
// write back unchanged, and go through the rules, the comparison and the page without harm.
// (The JSON renderers only hand the same facts to nlohmann; they are left out for speed.)
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/findings.h"
#include "analysis/render.h"
#include "analysis/report_diff.h"
#include "analysis/report_encoding.h"
#include "analysis/report_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace analysis = kdx::analysis;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const analysis::Report report = analysis::ReadReport(bytes);
  if (analysis::WriteReport(report) != bytes) __builtin_trap();
  const std::vector<analysis::Finding> findings = analysis::FindFindings(report);
  for (const analysis::Finding& finding : findings) {
    for (const std::size_t line : finding.lines) {
      if (line == 0 || line > report.lines.size()) __builtin_trap();
    }
  }
  const analysis::ReadView view{"fuzz.txt", analysis::ReportEncoding::Ansi, report, findings};
  analysis::RenderReadHtml(view);
  const analysis::Report half = analysis::ReadReport(bytes.substr(0, size / 2));
  analysis::DiffReports(half, report);
  const analysis::DecodedReport decoded = analysis::DecodeReport(std::string(bytes));
  if (decoded.encoding == analysis::ReportEncoding::Ansi && decoded.bytes != bytes) {
    __builtin_trap();
  }
  return 0;
}
