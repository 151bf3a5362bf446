#include "run/report_table.h"

namespace kdx {

namespace {

constexpr std::size_t kRulerWidth = 100;

}  // namespace

const std::string& Ruler() {
  static const std::string ruler(kRulerWidth, '#');
  return ruler;
}

void ReportTable::Reset() {
  rows_.clear();
  rows_.push_back({"Schlüssel", "Wert"});
}

void ReportTable::AddRow(std::string key, std::string value) {
  rows_.push_back({std::move(key), std::move(value)});
}

void ReportTable::AddSectionHeading(const std::string& heading) {
  AddRow("", "");
  AddRow(heading, "");
}

}  // namespace kdx
