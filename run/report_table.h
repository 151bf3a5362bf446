#pragma once

#include <string>
#include <vector>

namespace kdx {

/// 100 "#": a line of the report file, and the key of an event log's opening row.
const std::string& Ruler();

/// One row of the report table: key and value.
struct ReportRow {
  std::string key;
  std::string value;
};

/// The ordered key/value rows of the report; row 0 is the heading row. Rows are only
/// appended.
class ReportTable {
 public:
  ReportTable() { Reset(); }
  /// Back to the heading row alone: "Schlüssel" | "Wert".
  void Reset();
  void AddRow(std::string key, std::string value);
  /// An empty row and a row with the heading as key.
  void AddSectionHeading(const std::string& heading);
  const std::vector<ReportRow>& Rows() const { return rows_; }

 private:
  std::vector<ReportRow> rows_;
};

}  // namespace kdx
