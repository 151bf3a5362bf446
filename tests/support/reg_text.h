#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace kdx::test {

/// Bytes in the form of a .reg file's hex data: "0a,ff,00".
inline std::string RegHexBytes(std::string_view bytes) {
  std::string hex;
  hex.reserve(bytes.size() * 3);
  char pair[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(pair, sizeof pair, i == 0 ? "%02x" : ",%02x",
                  static_cast<unsigned char>(bytes[i]));
    hex += pair;
  }
  return hex;
}

}  // namespace kdx::test
