// Writes arbitrary bytes, taken as EVENTLOGRECORDs the way ReadEventLogA hands them out, into
// a capture's .evt file, and reads that file back: the reader must take whatever the writer
// writes, and find no more records than it was given.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/formats/evt_file.h"
#include "platform/formats/evt_file_writer.h"
#include "platform/formats/format_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> records;
  // Each record starts with its length; the input is cut into records that way.
  while (bytes.size() >= 4) {
    std::uint32_t length = 0;
    for (int i = 3; i >= 0; --i) length = length << 8 | static_cast<std::uint8_t>(bytes[i]);
    if (length < 8 || length > bytes.size()) break;
    records.emplace_back(bytes.substr(0, length));
    bytes.remove_prefix(length);
  }
  const std::string file = kdx::EvtFileOfRecords(records);
  try {
    if (kdx::ReadEvtFile(file).size() > records.size()) __builtin_trap();
  } catch (const kdx::FormatError& error) {
    std::fprintf(stderr, "refused: %s\n", error.what());
    __builtin_trap();
  }
  return 0;
}
