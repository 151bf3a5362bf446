#pragma once

#include <cstdint>
#include <string>

#include "run/run_context.h"

namespace kdx {

/// A byte count in steps of 1024 as "%5d %s": divided while above 10240, each time rounded
/// to the nearest whole number with ties to the even one; "10240 Byte", "   10 Kilobyte".
std::string FormatByteSize(std::int64_t bytes);

/// A memory figure in kilobytes as "%.0n kB": halves rounded up, thousands grouped with the
/// run's separator; 536346624 gives "523.776 kB".
std::string FormatKilobytes(std::uint32_t bytes, const NumberSeparators& separators);

/// The memory block: "SPEICHER" and the physical memory and page file, total and free.
void CollectMemory(RunContext& context);

/// One row per present drive with its type, and its free and total space where the drive
/// can be queried; no critical-error dialog shows meanwhile.
void CollectDrives(RunContext& context);

}  // namespace kdx
