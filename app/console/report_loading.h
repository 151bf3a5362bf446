#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/render.h"
#include "analysis/report_encoding.h"
#include "analysis/report_facts.h"
#include "analysis/report_reader.h"

namespace kdx {

inline constexpr int kExitClean = 0;
inline constexpr int kExitFound = 1;
inline constexpr int kExitBadInput = 2;

/// A report file loaded for reading: its Windows-1252 text, the report read from it, its facts
/// and findings. They refer to one another, so the whole stays where it was made.
struct LoadedReport {
  analysis::DecodedReport decoded;
  analysis::Report report;
  std::optional<analysis::ReportFacts> facts;
  std::vector<analysis::Finding> findings;

  /// Re-saved, blanks stripped or re-wrapped: the status says so.
  bool Altered() const {
    return decoded.encoding != analysis::ReportEncoding::Ansi || report.altered.Any();
  }
  analysis::ReadView View(std::string_view name, analysis::Language language) const {
    return {name, decoded.encoding, report, *facts, findings, language};
  }
};

/// Why a file could not be read, in both languages.
struct LoadProblem {
  std::string de, en;
  std::string_view In(analysis::Language language) const {
    return language == analysis::Language::German ? de : en;
  }
};

/// Reads a report file, or says why it is none: missing, a folder, empty, too large, without
/// the marker, or re-saved with characters Windows-1252 cannot hold.
std::unique_ptr<LoadedReport> LoadReport(const std::string& path, LoadProblem& problem);

/// The exit status a loaded report gives: 2 when it was altered, 1 with a finding of severity
/// error, 0 otherwise.
int StatusOf(const LoadedReport& loaded);

/// Writes text to a stream as it is.
void Print(std::FILE* stream, std::string_view text);

/// Writes a page as render puts it out; false, with the message on err, when it cannot.
bool WritePage(const std::string& path, const std::function<void(analysis::Output&)>& render,
               analysis::Language language, std::FILE* err);

}  // namespace kdx
