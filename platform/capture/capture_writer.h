#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

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
/// registry/capture.reg, the drive folders and eventlog/*.evt. Bytes of files the run read
/// come from machine, the platform the record was made on; only reading calls are made
/// there. userLanguage: the user's language id, which the run's calls use without asking.
/// Returns an empty text, or what failed.
std::string WriteCapture(const CaptureRecord& record, Platform& machine, const std::string& folder,
                         std::uint16_t userLanguage, CaptureTotals& totals);

/// A Windows-1252 text as a string of machine.json: UTF-8, quoted, with JSON's escapes.
std::string JsonText(const std::string& cp1252);

/// Bytes as pairs of lower-case hexadecimal digits, as machine.json's "versionInfo" holds them.
std::string HexText(std::string_view bytes);

/// A registry value as a line of the capture's REGEDIT4 file: REG_SZ as text where it ends in
/// its only NUL and holds no line break, a four-byte REG_DWORD as dword:, anything else as
/// hex bytes with its type. Nothing for a name with a line break, which REGEDIT4 cannot hold.
std::optional<std::string> RegValueLine(const std::string& name, std::uint32_t type,
                                        std::string_view data);

/// The event log file (.evt, as Windows NT keeps it) holding records as ReadEventLogA gives
/// them, newest first: their texts in UTF-16, oldest first, numbered as they were.
std::string EvtFileOfRecords(const std::vector<std::string>& newestFirst);

}  // namespace kdx
