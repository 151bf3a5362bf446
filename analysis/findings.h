#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/report_facts.h"
#include "analysis/report_reader.h"

namespace kdx::analysis {

enum class Severity { Error, Warning, Note };

/// What a rule found, with the numbers of the report lines that show it. Texts are
/// Windows-1252, like the report.
struct Finding {
  std::string_view code;
  Severity severity = Severity::Note;
  /// What the finding is about (a service, a driver, a file, a log and source): a finding of
  /// the same cause in another report of the PC has the same code and subject.
  std::string subject;
  std::string text;    // German
  std::string textEn;  // English
  std::string_view remedy, remedyEn;
  std::vector<std::size_t> lines;  // ascending
};

/// A rule of the catalogue: its stable code, its severity, when it fires (one line, English,
/// as the README lists it) and what the technician does about it.
struct RuleInfo {
  std::string_view code;
  Severity severity;
  std::string_view summary;
  std::string_view remedy;    // German
  std::string_view remedyEn;  // English
};

/// A finding as a rule hands it over: the rule gives the code, severity and remedy.
struct Found {
  std::string subject;
  std::string text, textEn;
  std::vector<std::size_t> lines;  // in any order; 0 stands for no line and is left out
  /// Only about printers the label software does not use (a fax, a PDF writer): a note,
  /// whatever the rule's severity.
  bool otherPrinters = false;
};

/// Collects the findings of the rules, each under the rule that made it.
class FindingSink {
 public:
  explicit FindingSink(std::vector<Finding>& findings) : findings_(findings) {}
  void Begin(const RuleInfo& rule) { rule_ = &rule; }
  void Add(Found found);

 private:
  std::vector<Finding>& findings_;
  const RuleInfo* rule_ = nullptr;
};

/// One rule: a function over the report's facts that hands its findings to the sink.
struct Rule {
  RuleInfo info;
  void (*check)(const ReportFacts& facts, FindingSink& sink);
};

/// Every rule, in the order they are applied.
const std::vector<Rule>& Catalogue();

/// Applies every rule; the findings come most severe first, then in the order of their first
/// evidence line.
std::vector<Finding> FindFindings(const ReportFacts& facts);

std::string_view SeverityName(Severity severity);  // "error", "warning", "note"

/// Drives whose free space the spooler needs at least: below it a print job cannot be spooled.
inline constexpr long long kSpoolReserveBytes = 50LL * 1024 * 1024;

}  // namespace kdx::analysis
