#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include <vector>
#include "platform/formats/file_bytes.h"

namespace kdx {

constexpr std::uint16_t kPe32Magic = 0x10B;
constexpr std::uint16_t kPe32PlusMagic = 0x20B;
constexpr std::uint16_t kMachineX86 = 0x14C;
constexpr std::uint16_t kMachineX64 = 0x8664;

/// The little-endian 16-bit number at offset, or nothing when it lies past the end of bytes.
std::optional<std::uint16_t> ReadLe16(std::string_view bytes, std::uint64_t offset);

/// The little-endian 32-bit number at offset, or nothing when it lies past the end of bytes.
std::optional<std::uint32_t> ReadLe32(std::string_view bytes, std::uint64_t offset);

/// One entry of a PE image's section table.
struct PeSection {
  std::uint32_t virtualSize = 0;
  std::uint32_t address = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

/// The header fields of a PE image that its resources are found by. Fields of an optional
/// header cut short by the end of the file read as zeros, as Windows reads them.
struct PeHeaders {
  std::uint64_t ntHeaders = 0;     // file offset of the "PE" signature
  std::uint64_t sectionTable = 0;  // file offset of the section table
  std::uint16_t machine = 0;
  std::uint16_t magic = 0;  // kPe32Magic or kPe32PlusMagic for images Windows reads
  std::uint16_t sectionCount = 0;
  std::uint32_t sectionAlignment = 0;
  std::uint32_t fileAlignment = 0;
  std::uint32_t sizeOfImage = 0;
  std::uint32_t sizeOfHeaders = 0;
  std::uint32_t directoryCount = 0;
  std::uint32_t resourceRva = 0;
  std::uint32_t resourceSize = 0;
  /// The section table, as far as the file holds it.
  std::vector<PeSection> sections;
};

/// The headers of file, or nothing when it has no "MZ" header pointing at a "PE\0\0"
/// signature followed by a whole file header.
std::optional<PeHeaders> ReadPeHeaders(const FileBytes& file);

}  // namespace kdx
