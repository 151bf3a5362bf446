#pragma once

#include <cstdint>
#include <string>

#include "platform/capture/capture_record.h"
#include "platform/platform.h"

namespace kdx {

/// What a capture wrote.
struct CaptureTotals {
  std::uint64_t keys = 0;
  std::uint64_t files = 0;  ///< files and folders of the drives, the logs and the .reg
  std::uint64_t bytes = 0;
};

/// Writes the machine directory of a capture into folder (made when missing): machine.json,
/// registry/capture.reg, the drive folders and eventlog/*.evt, through machine's files.
/// machine is the platform the record was made on; what the record lacks is asked of it
/// again, with reading calls only. userLanguage: the user's language id, which the run's
/// calls use without asking. Returns an empty text, or what failed.
std::string WriteCapture(const CaptureRecord& record, Platform& machine, const std::string& folder,
                         std::uint16_t userLanguage, CaptureTotals& totals);

}  // namespace kdx
