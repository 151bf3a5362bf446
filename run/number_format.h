#pragma once

#include <cstdint>
#include <string>

#include "run/run_context.h"

namespace kdx {

/// A whole number with digit groups of three: 1234567 gives "1.234.567".
std::string FormatGrouped(std::int64_t value, const NumberSeparators& separators);

}  // namespace kdx
