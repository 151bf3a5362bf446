#include <span>

#include "platform/capture/capture_areas.h"
#include "platform/little_endian.h"

namespace kdx {

namespace {

/// A log the run reads: every record it was given is kept.
class CaptureEventLog final : public ForwardingEventLog {
 public:
  CaptureEventLog(std::unique_ptr<EventLog> inner, std::vector<std::string>& records)
      : ForwardingEventLog(std::move(inner)), records_(records) {}
  long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                     std::uint32_t& bytesNeeded) override {
    const long error = Inner().ReadEventLogA(buffer, bytesRead, bytesNeeded);
    if (error == kErrorSuccess) SplitRecords(std::string_view(buffer.data(), bytesRead));
    return error;
  }

 private:
  // Each EVENTLOGRECORD starts with its length.
  void SplitRecords(std::string_view bytes) {
    while (bytes.size() >= 4) {
      const std::uint32_t length = ReadLe32(bytes, 0);
      if (length < 8 || length > bytes.size()) return;
      records_.emplace_back(bytes.substr(0, length));
      bytes.remove_prefix(length);
    }
  }

  std::vector<std::string>& records_;
};

}  // namespace

std::unique_ptr<EventLog> CaptureEventLogs::OpenEventLogA(const std::string& logName, long& error) {
  auto log = Inner().OpenEventLogA(logName, error);
  if (!log) return log;
  return std::make_unique<CaptureEventLog>(std::move(log), record_.eventRecords[logName]);
}

std::unique_ptr<MessageModule> CaptureEventLogs::LoadLibraryExA(const std::string& path,
                                                                long& error) {
  auto module = Inner().LoadLibraryExA(path, error);
  if (module) record_.messageFiles.insert(path);
  return module;
}

}  // namespace kdx
