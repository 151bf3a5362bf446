#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/report_reader.h"

namespace kdx::analysis {

enum class Severity { Error, Warning, Note };

/// What a rule found, with the numbers of the report lines that show it. Texts are
/// Windows-1252, like the report.
struct Finding {
  std::string_view code;
  Severity severity = Severity::Note;
  std::string text;    // German
  std::string textEn;  // English
  std::vector<std::size_t> lines;
};

/// One rule of the catalogue, as the README lists it.
struct Rule {
  std::string_view code;
  Severity severity;
  std::string_view description;  // English, one line
};

/// Every rule, in the order they are applied.
const std::vector<Rule>& Catalogue();

/// Applies every rule; the findings come most severe first, then in the order of their first
/// evidence line.
std::vector<Finding> FindFindings(const Report& report);

std::string_view SeverityName(Severity severity);  // "error", "warning", "note"

/// Drives whose free space the spooler needs at least: below it a print job cannot be spooled.
inline constexpr long long kSpoolReserveBytes = 50LL * 1024 * 1024;

}  // namespace kdx::analysis
