#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/report_diff.h"
#include "analysis/report_encoding.h"
#include "analysis/report_facts.h"
#include "analysis/report_reader.h"

namespace kdx::analysis {

/// Version of the JSON documents of `kdxinfo read --json` and `kdxinfo diff --json`; it rises
/// whenever a member changes meaning or goes away.
inline constexpr int kJsonSchemaVersion = 2;

/// The language of the text and the pages: German by default. JSON holds both.
enum class Language { German, English };

/// A text in both languages.
struct Phrase {
  std::string_view de, en;
  std::string_view In(Language language) const { return language == Language::German ? de : en; }
};

/// What `kdxinfo read` shows of one report.
struct ReadView {
  std::string_view fileName;  // as given on the command line
  ReportEncoding encoding = ReportEncoding::Ansi;
  const Report& report;
  const ReportFacts& facts;
  const std::vector<Finding>& findings;
  Language language = Language::German;
};

/// What `kdxinfo diff` shows of two reports.
struct DiffView {
  std::string_view oldName;
  std::string_view newName;
  const Report& oldReport;
  const Report& newReport;
  const ReportDiff& diff;
  Language language = Language::German;
};

/// One report of many: what its line shows when `kdxinfo read` takes several. Texts are
/// Windows-1252 but for the file name and the page, which are as the command line gave them.
struct BatchLine {
  std::string fileName;
  int status = 0;                  // the exit status this report gives alone
  std::string problem, problemEn;  // why it could not be read; empty when it was
  ReportEncoding encoding = ReportEncoding::Ansi;
  bool altered = false;  // re-saved, blanks stripped or re-wrapped
  ReportEnd end = ReportEnd::Complete;
  std::string computer, date, windows;
  std::vector<std::string> software;  // "V4 4.31.0.7"
  std::vector<std::string> printers;  // "Dexta KD-410 (USB001)"
  std::array<std::size_t, 3> counts = {0, 0, 0};
  bool hasError = false;
  Finding firstError;
  std::string page;  // the report's page beside the index, when pages are written
};

/// The line of a report that was read.
BatchLine BatchLineOf(const ReadView& view, int status);

/// Findings per severity: errors, warnings, notes.
std::array<std::size_t, 3> CountBySeverity(const std::vector<Finding>& findings);

/// Text a renderer gives piece by piece: kept whole, or handed on in pieces as it grows, so that
/// the findings of a large report need not be held as text all at once.
class Output {
 public:
  using Sink = std::function<void(std::string_view)>;
  Output() = default;
  explicit Output(Sink sink) : sink_(std::move(sink)) {}
  ~Output() { Flush(); }
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  Output& operator+=(std::string_view text) {
    text_.append(text);
    if (sink_ && text_.size() >= kPiece) Flush();
    return *this;
  }
  /// Hands on what is there; without a sink it stays.
  void Flush() {
    if (!sink_ || text_.empty()) return;
    sink_(text_);
    text_.clear();
  }
  /// What was kept (all of it without a sink).
  std::string Take() { return std::move(text_); }

 private:
  static constexpr std::size_t kPiece = 1 << 16;
  Sink sink_;
  std::string text_;
};

// Each renderer gives UTF-8 text; report texts are converted from Windows-1252. The forms of a
// report read write into an Output; the others are small.
void RenderReadText(const ReadView& view, Output& out);
void RenderReadJson(const ReadView& view, Output& out);
void RenderReadHtml(const ReadView& view, Output& out);
std::string RenderReadText(const ReadView& view);
std::string RenderReadJson(const ReadView& view);
std::string RenderReadHtml(const ReadView& view);
std::string RenderDiffText(const DiffView& view);
std::string RenderDiffJson(const DiffView& view);
std::string RenderDiffHtml(const DiffView& view);
std::string RenderBatchText(const BatchLine& line, Language language);
std::string RenderBatchJson(const BatchLine& line);  // one line of JSON Lines
std::string RenderBatchIndex(const std::vector<BatchLine>& lines, Language language);

// Words the renderers share.
std::string CountsText(const std::array<std::size_t, 3>& counts, Language language);
std::string_view SeverityWord(Severity severity, Language language);  // "Fehler", "error"
std::string_view EndCode(ReportEnd end);                              // "complete", ...
std::string_view EndWord(ReportEnd end, Language language);
std::string_view PartTitle(DiffPart part, Language language);
std::string_view ChangeWord(ChangeKind change, Language language);
/// What a mail program or an editor did to the report, in one sentence; empty when nothing.
std::string AlterationText(ReportEncoding encoding, const Alteration& altered, Language language);

}  // namespace kdx::analysis
