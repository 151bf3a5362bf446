#pragma once

#include <cstdint>
#include <string>

#include "run/run_context.h"

namespace kdx {

/// A whole number with digit groups of three: 1234567 gives "1.234.567".
std::string FormatGrouped(std::int64_t value, const NumberSeparators& separators);

/// A number rounded to decimals places, grouped, with the decimal separator: "1.234,50".
std::string FormatDecimal(double value, int decimals, const NumberSeparators& separators);

}  // namespace kdx
