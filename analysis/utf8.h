#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "platform/text_encoding.h"

namespace kdx::analysis {

/// Windows-1252 text as the terminal and the pages take it, in UTF-8. Most report text is
/// ASCII, which is UTF-8 as it stands.
inline std::string Utf8(std::string_view cp1252) {
  const bool ascii = std::all_of(cp1252.begin(), cp1252.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii ? std::string(cp1252) : Cp1252ToUtf8(cp1252);
}

}  // namespace kdx::analysis
