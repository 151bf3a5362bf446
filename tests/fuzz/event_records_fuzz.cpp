// Feeds arbitrary bytes to the walker over a ReadEventLogA buffer: it must hand out records or
// raise EventRecordError, never read outside the buffer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/event_records.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view buffer(reinterpret_cast<const char*>(data), size);
  kdx::EventRecordWalker walker(buffer);
  std::size_t walked = 0;
  try {
    while (const auto record = walker.Next()) {
      walked += record->length;
      if (walked > size || record->sourceName.size() >= record->length) __builtin_trap();
    }
    if (walked != size) __builtin_trap();  // without an error the records fill the buffer
  } catch (const kdx::EventRecordError&) {
  }
  return 0;
}
