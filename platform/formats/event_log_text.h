#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/formats/event_log.h"

namespace kdx {

/// Reads the text form of an event log, for hand-made machines and tests. UTF-8 (a
/// byte-order mark is allowed), LF or CR LF line ends; one record per block of lines, blocks
/// separated by blank lines, records oldest first. A line starting with "#" is a comment.
/// Every other line is "key: value", where the blanks after the colon are skipped and the rest
/// of the line is the value:
///
///   source    the source name (required)
///   type      success, error, warning, information, audit success or audit failure (any
///             case), or the EventType as a decimal number up to 65535 (required)
///   id        the full event identifier in hex, 1 to 8 digits, "0x" allowed (required)
///   time      when it happened, "YYYY-MM-DD hh:mm:ss" in UTC, from 1970-01-01 00:00:00 to
///             2106-02-07 06:28:15 (required)
///   computer  the computer name (required)
///   string    one insertion string; one line for each, in order (none or more)
///
/// Records are numbered 1, 2, ... in file order, TimeWritten is the time; there is no SID,
/// category or data. Texts become Windows-1252 ('?' for characters it lacks).
/// Throws FormatError(line, "expected ...") at the first fault; a missing key is
/// reported on the record's first line.
std::vector<EventLogEntry> ParseEventLogText(std::string_view bytes);

}  // namespace kdx
