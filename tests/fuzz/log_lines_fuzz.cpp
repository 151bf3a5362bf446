// Log files of the label software and of driver installation are copied into the report line
// by line; any bytes must split and convert without harm.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "report/report_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::size_t total = 0;
  kdx::LogLineSplitter splitter([&](std::string_view line) {
    total += kdx::ConvertDpinstLine(line).size();
    if (total > size) __builtin_trap();  // a line never grows
  });
  // Two pieces, so that a CR LF across a read boundary is exercised as well.
  const std::size_t half = size / 2;
  splitter.Feed(bytes.substr(0, half));
  splitter.Feed(bytes.substr(half));
  splitter.Finish();
  return 0;
}
