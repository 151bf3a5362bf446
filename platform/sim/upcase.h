#pragma once

#include <string_view>

namespace kdx {

/// The upper-case form of a Windows-1252 byte: a-z and the 1252 letters whose upper-case form
/// is in 1252 too (0xE0-0xFE except 0xF7, and 0x9A, 0x9C, 0x9E, 0xFF); any other byte is kept.
char UpcaseCp1252(char c);

/// Orders two names as the registry orders key names: ordinal on the upper-cased bytes.
/// Returns <0, 0 or >0.
int CompareUpcased(std::string_view a, std::string_view b);

/// True when two names are equal ignoring case as the registry does.
bool EqualUpcased(std::string_view a, std::string_view b);

}  // namespace kdx
