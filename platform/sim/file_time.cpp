#include "platform/sim/file_time.h"

#include <chrono>

#include "platform/machine/local_file_time.h"

namespace kdx {

std::uint64_t FileTimeOfHostTime(std::filesystem::file_time_type hostTime) {
  const auto system = std::chrono::file_clock::to_sys(hostTime);
  const auto ticks =
      std::chrono::duration_cast<
          std::chrono::duration<std::int64_t, std::ratio<1, kFileTimeTicksPerSecond>>>(
          system.time_since_epoch())
          .count();
  return static_cast<std::uint64_t>(ticks + kSeconds1601To1970 * kFileTimeTicksPerSecond);
}

}  // namespace kdx
