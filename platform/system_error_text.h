#pragma once

#include <cstdint>
#include <string>

#include "platform/system_facts.h"

namespace kdx {

/// The system's message text for a Win32 error code, without the trailing full stops, blanks
/// and line breaks FormatMessage leaves. The only place that turns an error code into text.
std::string SystemErrorText(SystemFacts& system, std::uint32_t code);

}  // namespace kdx
