#include "collectors/system/event_log_export.h"

#include <algorithm>
#include <array>
#include <list>
#include <map>
#include <memory>
#include <span>
#include <vector>

#include "platform/errors.h"
#include "platform/event_records.h"
#include "platform/registry.h"
#include "platform/system_error_text.h"
#include "platform/upcase.h"
#include "run/date_time_format.h"

namespace kdx {

namespace {

constexpr std::size_t kReadBufferSize = 2048;
constexpr char kLogKey[] = "EventLog";
constexpr char kReadErrorKey[] = "Fehler beim Lesen des EventLogs";
constexpr char kSourcesKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\";
constexpr char kMessageFileValue[] = "EventMessageFile";
constexpr std::size_t kMessageFilePathSize = 260;

// TimeGenerated counts seconds from 1970; a file time counts 100 ns from 1601.
constexpr std::uint64_t kFileTimeOf1970 = 116444736000000000ULL;
constexpr std::uint64_t kFileTimeTicksPerSecond = 10000000ULL;

struct EventTypeName {
  std::uint16_t type;
  const char* text;
};
constexpr std::array<EventTypeName, 6> kEventTypeNames = {{{0, "Success"},
                                                           {1, "ERROR"},
                                                           {2, "Warning"},
                                                           {4, "Information"},
                                                           {8, "Audit Success"},
                                                           {16, "Audit Failure"}}};

/// The message files of the sources one export meets. Each source's file is looked up on its
/// first record and kept to the end of the log: neither the registry value nor the file changes
/// while the log is read, and the lookup and load cost far more than a message. Sources that
/// name one file (as most services' sources share theirs) share its one loaded module, and
/// only the most recently used files stay loaded, so no log can make the export hold more.
class MessageFiles {
 public:
  MessageFiles(RunContext& context, const std::string& logName)
      : context_(context), logName_(logName) {}

  /// The loaded message file of a source; null when it has none or it does not load. Raises
  /// ERegistryException when its "EventMessageFile" is no text.
  MessageModule* ModuleOf(const std::string& source) {
    auto path = paths_.find(source);
    if (path == paths_.end()) path = paths_.emplace(source, MessageFilePath(source)).first;
    // An empty name would not name a file: Windows may hand back the program's own module.
    if (path->second.empty()) return nullptr;
    return ModuleAt(path->second);
  }

 private:
  static constexpr std::size_t kLoadedFiles = 16;

  struct LoadedFile {
    std::string key;
    std::unique_ptr<MessageModule> module;
  };

  std::string MessageFilePath(const std::string& source) {
    TRegistry registry(context_.platform.Registry());
    registry.SelectRoot(kHKeyLocalMachine);
    registry.OpenRead(kSourcesKey + logName_ + "\\" + source);
    const std::string value = registry.ReadText(kMessageFileValue);
    const auto expanded = context_.platform.System().ExpandEnvironmentStringsA(value);
    return expanded.value_or(value).substr(0, kMessageFilePathSize);
  }

  MessageModule* ModuleAt(const std::string& path) {
    // The system finds a file whatever the case of its name.
    const std::string key = UpcaseAscii(path);
    const auto found = std::find_if(loaded_.begin(), loaded_.end(),
                                    [&](const LoadedFile& file) { return file.key == key; });
    if (found != loaded_.end()) {
      loaded_.splice(loaded_.begin(), loaded_, found);
      return loaded_.front().module.get();
    }
    if (loaded_.size() == kLoadedFiles) loaded_.pop_back();
    long error = kErrorSuccess;
    loaded_.push_front({key, context_.platform.EventLogs().LoadLibraryExA(path, error)});
    return loaded_.front().module.get();
  }

  RunContext& context_;
  const std::string& logName_;
  std::map<std::string, std::string> paths_;
  /// The loaded files, the most recently used first.
  std::list<LoadedFile> loaded_;
};

/// The local date and time of a record as the report shows it.
std::string RecordDate(RunContext& context, std::uint32_t timeGenerated) {
  const std::uint64_t fileTime = timeGenerated * kFileTimeTicksPerSecond + kFileTimeOf1970;
  const auto local = context.platform.System().FileTimeToLocalTime(fileTime);
  if (!local) {
    throw KdxError("FileTimeToLocalFileTime failed (TimeGenerated " +
                   std::to_string(timeGenerated) + ")");
  }
  return FormatDateTime(context.localeFormats, *local);
}

void AddRecordRow(RunContext& context, const EventRecord& record) {
  try {
    context.AddReportRow(EventTypeText(record.eventType) + "|" + record.sourceName,
                         RecordDate(context, record.timeGenerated));
  } catch (const KdxError& error) {
    context.AddReportRow(kReadErrorKey, error.what());
  }
}

void AddMessageRow(RunContext& context, MessageFiles& messageFiles, const EventRecord& record) {
  MessageModule* module = messageFiles.ModuleOf(record.sourceName);
  if (module == nullptr) return;
  std::string text;
  if (module->FormatMessageA(record.eventId, record.strings, text) == kErrorSuccess) {
    context.AddReportRow("", text);
  }
}

/// Reads the log to its end, or to a record larger than the buffer, two rows a record. Raises
/// at a malformed record, and at a read that fails otherwise (the log cleared, the service
/// stopped), the rows of the records before it added.
void AddRecordRows(RunContext& context, const std::string& logName, EventLog& log) {
  MessageFiles messageFiles(context, logName);
  std::vector<char> buffer(kReadBufferSize);
  std::uint32_t bytesRead = 0;
  std::uint32_t bytesNeeded = 0;
  long error = kErrorSuccess;
  while ((error = log.ReadEventLogA(buffer, bytesRead, bytesNeeded)) == kErrorSuccess) {
    EventRecordWalker walker(
        std::string_view(buffer.data(), std::min<std::size_t>(bytesRead, buffer.size())));
    while (const std::optional<EventRecord> record = walker.Next()) {
      context.ProcessMessages();
      AddRecordRow(context, *record);
      AddMessageRow(context, messageFiles, *record);
    }
  }
  if (error != kErrorHandleEof && error != kErrorInsufficientBuffer) {
    throw KdxError(SystemErrorText(context.platform.System(), static_cast<std::uint32_t>(error)));
  }
}

}  // namespace

std::string EventTypeText(std::uint16_t eventType) {
  const auto found =
      std::find_if(kEventTypeNames.begin(), kEventTypeNames.end(),
                   [&](const EventTypeName& name) { return name.type == eventType; });
  return found != kEventTypeNames.end() ? found->text : std::to_string(eventType);
}

void ExportEventLog(RunContext& context, const std::string& logName) {
  context.AddReportRow("", "");
  context.AddReportRow(Ruler(), "");
  context.AddReportRow(kLogKey, logName);
  long error = kErrorSuccess;
  const std::unique_ptr<EventLog> log = context.platform.EventLogs().OpenEventLogA(logName, error);
  if (!log) return;
  try {
    AddRecordRows(context, logName, *log);
  } catch (const KdxError& failure) {
    context.AddReportRow(kReadErrorKey, failure.what());
  }
}

}  // namespace kdx
