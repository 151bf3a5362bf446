#include "report/report_writer.h"

#include "platform/errors.h"

namespace kdx {

namespace {
constexpr std::size_t kFlushSize = 1 << 16;
}

ReportWriter::ReportWriter(std::unique_ptr<OutputFile> file) : file_(std::move(file)) {
  buffer_.reserve(kFlushSize + 1024);
}

ReportWriter::~ReportWriter() = default;

void ReportWriter::WriteReportLine(std::string_view text) {
  buffer_.append(text);
  buffer_.append("\r\n");
  if (buffer_.size() >= kFlushSize) Flush();
}

void ReportWriter::Flush() {
  if (buffer_.empty()) return;
  // The bytes are dropped whether or not the file took them: after a failure they must not
  // be offered a second time behind the abnormal-end line.
  try {
    CheckFileCall(file_->Write(buffer_.data(), buffer_.size()));
  } catch (...) {
    buffer_.clear();
    throw;
  }
  buffer_.clear();
}

void ReportWriter::Close() {
  if (!file_) return;
  Flush();
  auto file = std::move(file_);
  CheckFileCall(file->Close());
}

}  // namespace kdx
