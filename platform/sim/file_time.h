#pragma once

#include <cstdint>
#include <filesystem>

#include "platform/system_facts.h"

namespace kdx {

/// File times as Windows keeps them: 100 ns since 1 January 1601, UTC. The simulated machine
/// states its times as local times of a fixed offset from UTC.

/// The file time of a local calendar time.
std::uint64_t FileTimeOfLocalTime(const SystemTime& local, int utcOffsetMinutes);

/// The local calendar time of a file time, day of week included.
SystemTime LocalTimeOfFileTime(std::uint64_t fileTime, int utcOffsetMinutes);

/// The file time of a host file's last-write time.
std::uint64_t FileTimeOfHostTime(std::filesystem::file_time_type hostTime);

}  // namespace kdx
