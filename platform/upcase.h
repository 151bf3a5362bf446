#pragma once

#include <string>
#include <string_view>

namespace kdx {

/// Upper case of the letters a to z only; the rule of the program's name filters.
std::string UpcaseAscii(std::string_view text);

/// Upper case of every Windows-1252 letter that has one (a-z, à-þ but ÷, š œ ž ÿ), as the
/// registry compares names.
std::string UpcaseAnsi(std::string_view text);

/// UpcaseAnsi of one byte.
char UpcaseAnsiChar(char c);

}  // namespace kdx
