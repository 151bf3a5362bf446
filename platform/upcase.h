#pragma once

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

namespace kdx {

/// Upper case of the letters a to z only; the rule of the program's name filters.
inline char UpcaseAsciiChar(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

/// UpcaseAsciiChar of every byte.
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
