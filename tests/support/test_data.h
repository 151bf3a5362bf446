#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

namespace kdx::test {

/// The bytes of a file below tests/data of the source tree ("lnk/x.lnk"); empty when missing.
inline std::string TestDataFile(const std::string& relativePath) {
  std::ifstream in(std::string(KDX_SOURCE_DIR) + "/tests/data/" + relativePath, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::uint32_t LittleEndianAt(const std::string& bytes, std::size_t offset, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes.at(offset + i));
  }
  return value;
}

inline void PutLittleEndian(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.at(offset + i) = static_cast<char>((value >> (8 * i)) & 0xFF);
}

/// A shortcut's bytes with its LinkInfo, and the header flag announcing it, taken out.
inline std::string WithoutLinkInfo(std::string link) {
  const std::uint32_t flags = LittleEndianAt(link, 0x14, 4);
  std::size_t at = 0x4C;
  if ((flags & 0x1) != 0) at += 2 + LittleEndianAt(link, at, 2);
  if ((flags & 0x2) != 0) link.erase(at, LittleEndianAt(link, at, 4));
  PutLittleEndian(link, 0x14, flags & ~0x2U);
  return link;
}

/// A shortcut of a bare header with these flags, then body.
inline std::string ShortcutWith(std::uint32_t flags, const std::string& body) {
  std::string link(0x4C, '\0');
  link[0] = 0x4C;
  const std::string classId("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  link.replace(4, 16, classId);
  PutLittleEndian(link, 0x14, flags);
  return link + body;
}

/// A counted StringData text in UTF-16 of the 8-bit text (each byte one code unit).
inline std::string CountedUnicode(const std::string& text) {
  std::string data{static_cast<char>(text.size() & 0xFF), static_cast<char>(text.size() >> 8)};
  for (const char c : text) data += {c, '\0'};
  return data;
}

}  // namespace kdx::test
