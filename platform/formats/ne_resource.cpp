#include "platform/formats/ne_resource.h"

#include <algorithm>
#include <cstdint>

#include "platform/formats/pe_headers.h"

namespace kdx {

namespace {

constexpr std::uint16_t kDosMagic = 0x5A4D;  // "MZ"
constexpr std::uint16_t kNeMagic = 0x454E;   // "NE"
constexpr std::uint64_t kNewHeaderOffsetField = 0x3C;
constexpr std::uint64_t kNeHeaderSize = 64;
constexpr std::uint64_t kResourceTableField = 0x24;
constexpr std::uint64_t kResidentNameTableField = 0x26;
constexpr std::uint64_t kTypeInfoSize = 8;
constexpr std::uint64_t kNameInfoSize = 12;
constexpr std::uint16_t kVersionType = 16 | 0x8000;
constexpr std::uint16_t kVersionId = 1 | 0x8000;
constexpr std::uint64_t kFixedFileInfoSize = 52;
constexpr std::uint64_t kKeyOffset = 4;
// A 32-bit program cannot allocate the buffer of a larger resource.
constexpr std::uint64_t kLargestBuffer = std::uint64_t{1} << 31;
// A query never reads past a root of at most 0xFFFF bytes and a value of as many: what lies
// further in the buffer is zeros nobody reads, and need not be held.
constexpr std::uint64_t kHeldBuffer = 0x20000;

std::uint64_t AlignedUp(std::uint64_t offset) { return (offset + 3) & ~std::uint64_t{3}; }

/// Where the version resource lies in the file: offset and length.
struct Extent {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

/// The version resource's entry in an NE resource table: the alignment shift, then type
/// records (id, count, 4 bytes) each followed by count name records of 12 bytes (offset,
/// length, flags, id, ...), up to a type id of 0.
std::optional<Extent> FindVersionEntry(std::string_view table) {
  const std::optional<std::uint16_t> shift = ReadLe16(table, 0);
  if (!shift) return std::nullopt;
  // The system shifts in 32-bit registers, which take the count modulo 32.
  const unsigned bits = *shift & 31U;
  for (std::uint64_t type = 2;;) {
    const std::optional<std::uint16_t> typeId = ReadLe16(table, type);
    const std::optional<std::uint16_t> count = ReadLe16(table, type + 2);
    if (!typeId || *typeId == 0 || !count) return std::nullopt;
    const std::uint64_t names = type + kTypeInfoSize;
    if (*typeId == kVersionType) {
      for (std::uint64_t i = 0; i < *count; ++i) {
        const std::uint64_t name = names + i * kNameInfoSize;
        const std::optional<std::uint16_t> id = ReadLe16(table, name + 6);
        if (!id) return std::nullopt;
        if (*id != kVersionId) continue;
        const std::uint32_t offset = std::uint32_t{*ReadLe16(table, name)} << bits;
        const std::uint32_t length = std::uint32_t{*ReadLe16(table, name + 2)} << bits;
        return Extent{offset, length};
      }
      return std::nullopt;
    }
    type = names + std::uint64_t{*count} * kNameInfoSize;
  }
}

std::optional<Extent> FindVersionResource(const FileBytes& file) {
  const std::optional<std::uint32_t> header = file.Le32(kNewHeaderOffsetField);
  if (file.Le16(0) != kDosMagic || !header || file.Le16(*header) != kNeMagic ||
      file.size() - *header < kNeHeaderSize) {
    return std::nullopt;
  }
  const std::uint16_t tableStart = *file.Le16(*header + kResourceTableField);
  const std::uint16_t tableEnd = *file.Le16(*header + kResidentNameTableField);
  const std::uint64_t table = std::uint64_t{*header} + tableStart;
  const std::optional<std::string> entries =
      tableEnd <= tableStart ? std::nullopt : file.Read(table, tableEnd - tableStart);
  if (!entries) return std::nullopt;
  return FindVersionEntry(*entries);
}

/// A node of a 16-bit block: length, value length, then the key's bytes.
struct Node {
  std::uint64_t position = 0;
  std::uint16_t length = 0;
  std::uint16_t valueLength = 0;
};

std::optional<Node> NodeAt(std::string_view buffer, std::uint64_t position) {
  const std::optional<std::uint16_t> length = ReadLe16(buffer, position);
  const std::optional<std::uint16_t> valueLength = ReadLe16(buffer, position + 2);
  if (!length || !valueLength) return std::nullopt;
  return Node{position, *length, *valueLength};
}

/// The node's key, up to its NUL; nothing when the buffer ends first.
std::optional<std::string_view> KeyOf(std::string_view buffer, const Node& node) {
  if (node.position + kKeyOffset >= buffer.size()) return std::nullopt;
  const std::string_view rest = buffer.substr(static_cast<std::size_t>(node.position + kKeyOffset));
  const std::size_t end = rest.find('\0');
  if (end == std::string_view::npos) return std::nullopt;
  return rest.substr(0, end);
}

std::optional<std::uint64_t> ValuePosition(std::string_view buffer, const Node& node) {
  const std::optional<std::string_view> key = KeyOf(buffer, node);
  if (!key) return std::nullopt;
  return node.position + AlignedUp(kKeyOffset + key->size() + 1);
}

bool KeyMatches(std::string_view key, std::string_view part) {
  const auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 0x20) : c; };
  return key.size() == part.size() &&
         std::equal(key.begin(), key.end(), part.begin(),
                    [&](char a, char b) { return fold(a) == fold(b); });
}

std::optional<Node> FindChild(std::string_view buffer, const Node& parent, std::string_view part) {
  const std::optional<std::uint64_t> value = ValuePosition(buffer, parent);
  if (!value) return std::nullopt;
  const std::uint64_t end = parent.position + parent.length;
  for (std::uint64_t position = *value + AlignedUp(parent.valueLength); position < end;) {
    const std::optional<Node> child = NodeAt(buffer, position);
    if (!child) return std::nullopt;
    const std::optional<std::string_view> key = KeyOf(buffer, *child);
    if (!key) return std::nullopt;
    if (KeyMatches(*key, part)) return child;
    if (child->length == 0) return std::nullopt;
    position += AlignedUp(child->length);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> NeVersionInfoBuffer(const FileBytes& file) {
  const std::optional<Extent> resource = FindVersionResource(file);
  if (!resource || resource->length <= kFixedFileInfoSize) return std::nullopt;
  const std::uint64_t fullSize = (resource->length - kFixedFileInfoSize) * 4;
  if (fullSize >= kLargestBuffer) return std::nullopt;
  const std::uint64_t size = std::min(fullSize, kHeldBuffer);
  const std::uint64_t wanted = std::min(resource->length, size);
  std::string buffer;
  buffer.reserve(static_cast<std::size_t>(size));
  if (resource->offset < file.size()) {
    const std::optional<std::string> present =
        file.Read(resource->offset, std::min(wanted, file.size() - resource->offset));
    if (!present) return std::nullopt;
    buffer.assign(*present);
  }
  buffer.resize(static_cast<std::size_t>(size), '\0');
  return buffer;
}

std::optional<std::string> QuerySixteenBitValue(std::string_view buffer,
                                                std::string_view subBlock) {
  std::optional<Node> node = NodeAt(buffer, 0);
  std::size_t start = 0;
  while (node && start < subBlock.size()) {
    const std::size_t end = std::min(subBlock.find('\\', start), subBlock.size());
    if (end > start) node = FindChild(buffer, *node, subBlock.substr(start, end - start));
    start = end == start ? start + 1 : end;
  }
  if (!node) return std::nullopt;
  const std::optional<std::uint64_t> value = ValuePosition(buffer, *node);
  if (!value) return std::nullopt;
  std::string bytes;
  if (*value < buffer.size())
    bytes = buffer.substr(static_cast<std::size_t>(*value), node->valueLength);
  bytes.resize(node->valueLength, '\0');
  return bytes;
}

}  // namespace kdx
