#pragma once

#include <string>
#include <vector>

namespace kdx {

/// The event log file (.evt, as Windows NT keeps it) that ReadEvtFile reads back as records
/// ReadEventLogA gave, newest first: their texts in UTF-16, oldest first, numbered as they
/// were. A record too damaged to convert is left out.
std::string EvtFileOfRecords(const std::vector<std::string>& newestFirst);

}  // namespace kdx
