#pragma once

#include <algorithm>
#include <string_view>

#include "platform/upcase.h"

namespace kdx {

/// Orders two names as the registry orders key names: ordinal on the bytes after
/// UpcaseAnsiChar. Returns <0, 0 or >0.
int CompareUpcased(std::string_view a, std::string_view b);

/// True when two names are equal ignoring case as the registry does. Inline: every key and
/// value lookup of the simulated registry runs through it.
inline bool EqualUpcased(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return x == y || UpcaseAnsiChar(x) == UpcaseAnsiChar(y);
         });
}

}  // namespace kdx
