// Feeds arbitrary bytes to the .evt reader. A fault must be a FormatError; a log that loads
// must serve buffers that the event log export's walker reads without fault.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/event_records.h"
#include "platform/formats/event_log.h"
#include "platform/formats/evt_file.h"
#include "platform/formats/format_error.h"

namespace {

void ReadLikeTheExport(const std::vector<kdx::EventLogEntry>& log, std::size_t bufferSize) {
  kdx::BackwardsEventLogReader reader(log);
  std::size_t records = 0;
  for (;;) {
    const kdx::EventLogRead read = reader.Read(bufferSize);
    if (read.error != kdx::kErrorSuccess) break;
    if (read.records.size() > bufferSize) __builtin_trap();
    kdx::EventRecordWalker walker(read.records);
    while (walker.Next()) ++records;  // an EventRecordError here escapes and stops the fuzzer
  }
  if (records > log.size()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  try {
    const std::vector<kdx::EventLogEntry> log = kdx::ReadEvtFile(bytes);
    ReadLikeTheExport(log, 2048);
    ReadLikeTheExport(log, 200);
  } catch (const kdx::FormatError&) {
  }
  return 0;
}
