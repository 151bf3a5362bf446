#pragma once

#include <algorithm>
#include <string_view>

#include "platform/upcase.h"

namespace kdx {

/// Orders two names as the registry orders key names: ordinal on the bytes after
/// UpcaseAnsiChar. Returns <0, 0 or >0. Inline, as every key lookup runs through it.
inline int CompareUpcased(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int difference = static_cast<unsigned char>(UpcaseAnsiChar(a[i])) -
                           static_cast<unsigned char>(UpcaseAnsiChar(b[i]));
    if (difference != 0) return difference;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

/// True when two names are equal ignoring case as the registry does.
inline bool EqualUpcased(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return x == y || UpcaseAnsiChar(x) == UpcaseAnsiChar(y);
         });
}

}  // namespace kdx
