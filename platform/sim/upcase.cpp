#include "platform/sim/upcase.h"

#include <algorithm>
#include <array>

namespace kdx {

namespace {

constexpr std::array<unsigned char, 256> MakeUpcaseTable() {
  std::array<unsigned char, 256> table{};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(i);
  for (int i = 'a'; i <= 'z'; ++i) table[i] = static_cast<unsigned char>(i - 0x20);
  // 0xF7 is the division sign; 0xDF (sharp s) and 0xB5 (micro) have no 1252 upper case.
  for (int i = 0xE0; i <= 0xFE; ++i) {
    if (i != 0xF7) table[i] = static_cast<unsigned char>(i - 0x20);
  }
  table[0x9A] = 0x8A;  // s caron
  table[0x9C] = 0x8C;  // oe ligature
  table[0x9E] = 0x8E;  // z caron
  table[0xFF] = 0x9F;  // y diaeresis
  return table;
}

unsigned char UpcaseByte(char c) {
  static constexpr std::array<unsigned char, 256> kTable = MakeUpcaseTable();
  return kTable[static_cast<unsigned char>(c)];
}

}  // namespace

char UpcaseCp1252(char c) { return static_cast<char>(UpcaseByte(c)); }

int CompareUpcased(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int difference = UpcaseByte(a[i]) - UpcaseByte(b[i]);
    if (difference != 0) return difference;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool EqualUpcased(std::string_view a, std::string_view b) {
  return a.size() == b.size() && CompareUpcased(a, b) == 0;
}

}  // namespace kdx
