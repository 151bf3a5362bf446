#include "analysis/report_summary.h"

namespace kdx::analysis {
namespace {

std::string RowValue(const Report& report, std::string_view key) {
  const TableRow* row = FindRow(report, key);
  return row == nullptr ? std::string() : std::string(row->value);
}

}  // namespace

PcSummary Summarise(const Report& report) {
  PcSummary summary;
  // The table opens with the Windows version row, whose key is the whole text.
  if (!report.rows.empty() && report.rows.front().section == Section::General) {
    summary.windows = std::string(report.rows.front().key);
  }
  summary.computer = RowValue(report, "ActiveComputerName");
  summary.user = RowValue(report, "UserName");
  summary.labelSoftware = LabelSoftware(report);
  for (PrinterFact& printer : Printers(report)) {
    if (printer.line != 0) summary.printers.push_back(std::move(printer));
  }
  summary.services = PrintingServices(report);
  return summary;
}

}  // namespace kdx::analysis
