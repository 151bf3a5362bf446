#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/formats/event_log.h"

namespace kdx {

/// The fixed parts of an event log file, shared by its reader and its writer.
namespace evt {
inline constexpr std::size_t kHeaderSize = 0x30;
inline constexpr std::uint32_t kSignature = 0x654C664C;  // "LfLe"
inline constexpr std::size_t kEofRecordSize = 0x28;
inline constexpr std::string_view kEofMarker(
    "\x11\x11\x11\x11\x22\x22\x22\x22\x33\x33\x33\x33\x44\x44\x44\x44", 16);
/// An EVENTLOGRECORD up to its names.
inline constexpr std::size_t kFixedPartSize = 56;
}  // namespace evt

/// Reads an event log file in the format of Windows NT to Server 2003 (".evt": a 48-byte
/// header with signature "LfLe", the records in a ring buffer after it, and an end-of-file
/// record) and gives its live records, oldest first, with their UTF-16 texts converted to
/// Windows-1252 ('?' for characters it lacks).
///
/// The end-of-file record, which the event log service rewrites after every record, marks the
/// oldest record and the end of the newest. A header without the dirty flag names it; for a
/// dirty header (the service still had the log open, so the header is stale) it is the first
/// one in ring order from where the header's own end offset points. The records run from the
/// oldest to the end-of-file record and may wrap from the end of the file to the first byte
/// after the header, also in the middle of a record; fewer than 56 bytes left at the end of the
/// file that begin with the fill value 0x27 are skipped. Records overwritten by the ring (in
/// the space between the end-of-file record and the oldest record) are not returned.
///
/// Throws FormatError(0, "expected ...") for a file that is not such a log (the message names
/// the header it expected) and for a record that is damaged (naming its offset).
std::vector<EventLogEntry> ReadEvtFile(std::string_view bytes);

}  // namespace kdx
