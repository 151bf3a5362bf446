#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/report_diff.h"
#include "analysis/report_facts.h"

namespace kdx::analysis {

/// One comparable fact of a report: a subject that names it within its part, and its value.
/// Both are views into the report, or into texts the collector put together; a subject of two
/// pieces (a registry key's path and a value's name) is joined only when shown.
struct DiffFact {
  enum class Join : std::uint8_t { None, Backslash, Blank, Colon };
  enum class Form : std::uint8_t { Plain, FileCopy, FreeMemory };
  std::string_view subject, detail;
  std::string_view value;
  std::uint32_t line = 0;
  DiffPart part = DiffPart::Windows;
  Join join = Join::None;
  Form form = Form::Plain;
};

/// The facts of one report that the comparison matches by subject, part by part in report
/// order (the event records and the findings are compared apart).
class DiffFacts {
 public:
  explicit DiffFacts(const ReportFacts& facts);

  const std::vector<DiffFact>& Facts() const { return facts_; }
  /// The subject as shown: its pieces joined.
  std::string Subject(const DiffFact& fact) const;
  /// The value as shown.
  std::string Value(const DiffFact& fact) const;
  /// Whether two facts of one subject hold the same value.
  static bool SameValue(const DiffFact& a, const DiffFact& b);

 private:
  void Add(DiffPart part, std::string_view subject, std::string_view value, std::size_t line);
  std::string_view Own(std::string text);
  void Table();
  void TableRows(DiffPart part, Section section);
  void LabelSoftware(Section section, DiffPart part);
  void Services();
  void Ports();
  void Printers();
  void ProgramPaths();
  void LogFiles();
  void Registry();
  void Files();
  void Checks();

  const ReportFacts& source_;
  const Report& report_;
  std::vector<DiffFact> facts_;
  std::deque<std::string> owned_;
};

}  // namespace kdx::analysis
