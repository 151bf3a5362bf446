#include "platform/formats/pe_headers.h"

namespace kdx {

namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;         // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kNewHeaderOffsetField = 0x3C;
constexpr std::uint64_t kFileHeaderSize = 20;
constexpr std::uint64_t kSectionHeaderSize = 40;
// Offsets within the optional header.
constexpr std::uint64_t kSectionAlignmentField = 32;
constexpr std::uint64_t kFileAlignmentField = 36;
constexpr std::uint64_t kSizeOfImageField = 56;
constexpr std::uint64_t kSizeOfHeadersField = 60;
constexpr std::uint64_t kPe32DirectoryCountField = 92;
constexpr std::uint64_t kPe32PlusDirectoryCountField = 108;
constexpr std::uint64_t kResourceDirectoryIndex = 2;

std::vector<PeSection> ReadSections(const FileBytes& file, std::uint64_t table,
                                    std::uint16_t count) {
  std::vector<PeSection> sections;
  for (std::uint64_t header = table; sections.size() < count; header += kSectionHeaderSize) {
    const std::optional<std::uint32_t> rawOffset = file.Le32(header + 20);
    if (!rawOffset) break;
    sections.push_back(
        {*file.Le32(header + 8), *file.Le32(header + 12), *file.Le32(header + 16), *rawOffset});
  }
  return sections;
}

}  // namespace

std::optional<std::uint16_t> ReadLe16(std::string_view bytes, std::uint64_t offset) {
  if (offset >= bytes.size() || bytes.size() - offset < 2) return std::nullopt;
  const auto at = [&](std::uint64_t i) {
    return static_cast<unsigned>(
        static_cast<unsigned char>(bytes[static_cast<std::size_t>(offset + i)]));
  };
  return static_cast<std::uint16_t>(at(0) | (at(1) << 8));
}

std::optional<std::uint32_t> ReadLe32(std::string_view bytes, std::uint64_t offset) {
  const std::optional<std::uint16_t> low = ReadLe16(bytes, offset);
  const std::optional<std::uint16_t> high = ReadLe16(bytes, offset + 2);
  if (!low || !high) return std::nullopt;
  return static_cast<std::uint32_t>(*low | (std::uint32_t{*high} << 16));
}

std::optional<PeHeaders> ReadPeHeaders(const FileBytes& file) {
  const std::optional<std::uint32_t> ntHeaders = file.Le32(kNewHeaderOffsetField);
  if (file.Le16(0) != kDosMagic || !ntHeaders || file.Le32(*ntHeaders) != kNtSignature ||
      file.size() - *ntHeaders < 4 + kFileHeaderSize) {
    return std::nullopt;
  }
  const std::uint64_t fileHeader = std::uint64_t{*ntHeaders} + 4;
  const std::uint64_t optional = fileHeader + kFileHeaderSize;
  const auto field16 = [&](std::uint64_t offset) { return file.Le16(offset).value_or(0); };
  const auto field32 = [&](std::uint64_t offset) { return file.Le32(offset).value_or(0); };
  PeHeaders headers;
  headers.ntHeaders = *ntHeaders;
  headers.machine = field16(fileHeader);
  headers.sectionCount = field16(fileHeader + 2);
  headers.sectionTable = optional + field16(fileHeader + 16);
  headers.magic = field16(optional);
  headers.sectionAlignment = field32(optional + kSectionAlignmentField);
  headers.fileAlignment = field32(optional + kFileAlignmentField);
  headers.sizeOfImage = field32(optional + kSizeOfImageField);
  headers.sizeOfHeaders = field32(optional + kSizeOfHeadersField);
  const std::uint64_t countField =
      optional +
      (headers.magic == kPe32PlusMagic ? kPe32PlusDirectoryCountField : kPe32DirectoryCountField);
  headers.directoryCount = field32(countField);
  headers.resourceRva = field32(countField + 4 + 8 * kResourceDirectoryIndex);
  headers.resourceSize = field32(countField + 8 + 8 * kResourceDirectoryIndex);
  headers.sections = ReadSections(file, headers.sectionTable, headers.sectionCount);
  return headers;
}

}  // namespace kdx
