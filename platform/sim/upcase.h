#pragma once

#include <string_view>

namespace kdx {

/// Orders two names as the registry orders key names: ordinal on the bytes after
/// UpcaseAnsiChar. Returns <0, 0 or >0.
int CompareUpcased(std::string_view a, std::string_view b);

/// True when two names are equal ignoring case as the registry does.
bool EqualUpcased(std::string_view a, std::string_view b);

}  // namespace kdx
