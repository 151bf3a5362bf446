#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/report_diff.h"
#include "analysis/report_encoding.h"
#include "analysis/report_reader.h"

namespace kdx::analysis {

/// Version of the JSON documents of `kdxinfo read --json` and `kdxinfo diff --json`; it rises
/// whenever a member changes meaning or goes away.
inline constexpr int kJsonSchemaVersion = 1;

/// What `kdxinfo read` shows of one report.
struct ReadView {
  std::string_view fileName;  // as given on the command line
  ReportEncoding encoding = ReportEncoding::Ansi;
  const Report& report;
  const std::vector<Finding>& findings;
};

/// What `kdxinfo diff` shows of two reports.
struct DiffView {
  std::string_view oldName;
  std::string_view newName;
  const std::vector<Change>& changes;
};

// Each renderer gives UTF-8 text; report texts are converted from Windows-1252.
std::string RenderReadText(const ReadView& view);
std::string RenderReadJson(const ReadView& view);
std::string RenderReadHtml(const ReadView& view);
std::string RenderDiffText(const DiffView& view);
std::string RenderDiffJson(const DiffView& view);
std::string RenderDiffHtml(const DiffView& view);

}  // namespace kdx::analysis
