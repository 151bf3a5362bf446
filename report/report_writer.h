#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace kdx {

/// The open report file: every line of the report goes through WriteReportLine, which adds
/// CR LF. Lines are gathered in a buffer and handed to the file in large pieces.
class ReportWriter {
 public:
  explicit ReportWriter(std::unique_ptr<OutputFile> file);
  ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  /// Writes text and CR LF. Throws EInOutError when the file refuses bytes.
  void WriteReportLine(std::string_view text);
  /// Hands the buffered lines to the file; throws EInOutError.
  void Flush();
  /// Hands the rest to the file and closes it; throws EInOutError.
  void Close();

 private:
  std::unique_ptr<OutputFile> file_;
  std::string buffer_;
};

}  // namespace kdx
