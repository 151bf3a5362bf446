#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kdx {

/// The 16-bit little-endian number at bytes[at]; the caller has checked that two bytes are
/// there.
inline std::uint16_t ReadLe16(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                    static_cast<unsigned char>(bytes[at + 1]) << 8);
}

/// The 32-bit little-endian number at bytes[at]; the caller has checked that four bytes are
/// there.
inline std::uint32_t ReadLe32(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(ReadLe16(bytes, at)) |
         static_cast<std::uint32_t>(ReadLe16(bytes, at + 2)) << 16;
}

/// Appends a 16-bit number as two little-endian bytes.
inline void AppendLe16(std::string& bytes, std::uint16_t value) {
  bytes.push_back(static_cast<char>(value & 0xFF));
  bytes.push_back(static_cast<char>(value >> 8));
}

/// Appends a 32-bit number as four little-endian bytes.
inline void AppendLe32(std::string& bytes, std::uint32_t value) {
  AppendLe16(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
  AppendLe16(bytes, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace kdx
