#pragma once

#include <cstdint>

#include "platform/system_facts.h"

namespace kdx {

/// File times as Windows keeps them: 100 ns since 1 January 1601, UTC. A machine directory
/// states its times as local times of one offset from UTC (machine.json's utcOffsetMinutes),
/// as Windows turns every file time with the bias of now.
inline constexpr std::int64_t kFileTimeTicksPerSecond = 10'000'000;
/// Seconds from 1601-01-01 to 1970-01-01.
inline constexpr std::int64_t kSeconds1601To1970 = 11'644'473'600;

/// The file time of a local calendar time.
std::uint64_t FileTimeOfLocalTime(const SystemTime& local, int utcOffsetMinutes);

/// The local calendar time of a file time, day of week included.
SystemTime LocalTimeOfFileTime(std::uint64_t fileTime, int utcOffsetMinutes);

}  // namespace kdx
