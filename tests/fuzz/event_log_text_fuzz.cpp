// Feeds arbitrary bytes to the text form of an event log. A fault must be a FormatError; every
// record that loads must lay out as a record the export's walker reads back.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/event_records.h"
#include "platform/formats/event_log.h"
#include "platform/formats/event_log_text.h"
#include "platform/formats/format_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    for (const kdx::EventLogEntry& entry : kdx::ParseEventLogText(bytes)) {
      const std::string record = kdx::AnsiEventRecord(entry);
      kdx::EventRecordWalker walker(record);
      const auto read = walker.Next();
      if (!read || read->sourceName != entry.sourceName || read->strings != entry.strings ||
          walker.Next()) {
        __builtin_trap();
      }
    }
  } catch (const kdx::FormatError&) {
  }
  return 0;
}
