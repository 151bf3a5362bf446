#pragma once

#include <cstdint>
#include <string>

#include "platform/platform.h"

namespace kdx {

/// The system's message text for a Win32 error code, without the trailing full stops, blanks
/// and line breaks FormatMessage leaves. The only place that turns an error code into text.
std::string SystemErrorText(Platform& platform, std::uint32_t code);

}  // namespace kdx
