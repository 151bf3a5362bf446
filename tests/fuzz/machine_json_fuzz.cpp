// Feeds arbitrary bytes to the machine.json loader: every input must either load or be
// refused with a MachineError; anything else (another exception, a sanitizer report) is a
// fault of the loader or of the line finder behind its messages.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/machine/machine_config.h"
#include "platform/machine/machine_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    kdx::ParseMachineJson(text, "machine.json");
  } catch (const kdx::MachineError&) {
    // Refusing is a fine answer to bad input.
  }
  return 0;
}
