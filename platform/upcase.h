#pragma once

#include <array>
#include <string>
#include <string_view>

namespace kdx {

/// Upper case of the letters a to z only; the rule of the program's name filters.
std::string UpcaseAscii(std::string_view text);

/// Upper case of every Windows-1252 letter that has one (a-z, à-þ but ÷, š œ ž ÿ), as the
/// registry compares names.
std::string UpcaseAnsi(std::string_view text);

namespace detail {

constexpr char UpcaseAnsiByte(unsigned char byte) {
  if (byte >= 'a' && byte <= 'z') return static_cast<char>(byte - 0x20);
  if (byte >= 0xE0 && byte <= 0xFE && byte != 0xF7) return static_cast<char>(byte - 0x20);
  switch (byte) {
    case 0x9A:  // s caron
    case 0x9C:  // oe
    case 0x9E:  // z caron
      return static_cast<char>(byte - 0x10);
    case 0xFF:  // y diaeresis
      return static_cast<char>(0x9F);
    default:
      return static_cast<char>(byte);
  }
}

// Registry name comparisons run once per key and value looked up: a table keeps them cheap.
constexpr std::array<char, 256> kUpcaseAnsiTable = [] {
  std::array<char, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    table[static_cast<std::size_t>(byte)] = UpcaseAnsiByte(static_cast<unsigned char>(byte));
  }
  return table;
}();

}  // namespace detail

/// UpcaseAnsi of one byte.
inline char UpcaseAnsiChar(char c) {
  return detail::kUpcaseAnsiTable[static_cast<unsigned char>(c)];
}

}  // namespace kdx
