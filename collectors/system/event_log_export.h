#pragma once

#include <cstdint>
#include <string>

#include "run/run_context.h"

namespace kdx {

/// Appends one event log of the machine, newest record first: the rows "" | "", the ruler
/// and "EventLog" | logName; then per record its type and source with its local date and
/// time, and the message text as the event viewer shows it. A log that does not open ends
/// after the three rows; the log's end or a record larger than the buffer ends it quietly; a
/// read that fails otherwise, a malformed record or a registry value of the wrong type ends it
/// with the row "Fehler beim Lesen des EventLogs" | the error's message, the rows before it
/// kept.
void ExportEventLog(RunContext& context, const std::string& logName);

/// The report's text of an event type: "ERROR", "Warning", "Information", ...; the number
/// for a type Windows does not define.
std::string EventTypeText(std::uint16_t eventType);

}  // namespace kdx
