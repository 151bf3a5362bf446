#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/machine/local_file_time.h"

namespace kdx {

/// The file time of a host file's last-write time.
std::uint64_t FileTimeOfHostTime(std::filesystem::file_time_type hostTime);

}  // namespace kdx
