// Feeds arbitrary messages and arguments to the FormatMessage emulation: it must read nothing
// past the arguments and never give more than the call's 32,767 characters.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/formats/format_message.h"

// The input is the message, then the arguments, separated by bytes 0x01.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::size_t end = bytes.find('\x01');
  const std::string_view message = bytes.substr(0, end);
  std::vector<std::string> arguments;
  for (std::size_t start = end; start != std::string_view::npos;) {
    const std::size_t next = bytes.find('\x01', start + 1);
    arguments.emplace_back(
        bytes.substr(start + 1, next == std::string_view::npos ? next : next - start - 1));
    start = next;
  }
  if (kdx::ApplyMessageInserts(message, arguments).size() > 32767) __builtin_trap();
  return 0;
}
