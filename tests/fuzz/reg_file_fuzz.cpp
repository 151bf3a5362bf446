// Feeds arbitrary bytes to the .reg loader: a fault must be a MachineError, never a crash.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/machine/machine_error.h"
#include "platform/sim/sim_registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  kdx::SimRegistry registry;
  try {
    registry.LoadRegFile(std::string_view(reinterpret_cast<const char*>(data), size), "fuzz.reg");
  } catch (const kdx::MachineError&) {
  }
  return 0;
}
