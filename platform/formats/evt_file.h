#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/formats/event_log.h"

namespace kdx {

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
/// Throws MachineError(fileName, 0, "expected ...") for a file that is not such a log (the
/// message names the header it expected) and for a record that is damaged (naming its offset).
std::vector<EventLogEntry> ReadEvtFile(std::string_view bytes, const std::string& fileName);

}  // namespace kdx
