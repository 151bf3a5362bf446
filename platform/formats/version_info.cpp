#include "platform/formats/version_info.h"

#include <algorithm>

#include "platform/formats/ne_resource.h"
#include "platform/formats/pe_file_resource.h"
#include "platform/formats/pe_headers.h"
#include "platform/formats/pe_image.h"
#include "platform/text_encoding.h"

namespace kdx {

namespace {

constexpr std::uint16_t kVersionInfoId = 1;
// GetFileVersionInfoA marks the end of a 32-bit block with these bytes, just before the room
// where VerQueryValueA puts its ANSI conversions.
constexpr std::string_view kConversionMark = "FE2X";
constexpr std::uint64_t kKeyOffset = 6;
constexpr std::uint64_t kSixteenBitKeyOffset = 4;

std::uint64_t AlignedUp(std::uint64_t size) { return (size + 3) & ~std::uint64_t{3}; }

/// One node of the block: the 32-bit VS_VERSIONINFO layout of length, value length, type and
/// key, followed by the value and the children.
struct Node {
  std::uint64_t position = 0;
  std::uint16_t length = 0;
  std::uint16_t valueLength = 0;
  std::uint16_t type = 0;  // 0 binary, anything else text
};

std::optional<Node> NodeAt(std::string_view buffer, std::uint64_t position) {
  const std::optional<std::uint16_t> length = ReadLe16(buffer, position);
  const std::optional<std::uint16_t> valueLength = ReadLe16(buffer, position + 2);
  const std::optional<std::uint16_t> type = ReadLe16(buffer, position + 4);
  if (!length || !valueLength || !type) return std::nullopt;
  return Node{position, *length, *valueLength, *type};
}

/// Where the value starts: after the key's NUL, aligned to 4 bytes from the node's start.
std::optional<std::uint64_t> ValuePosition(std::string_view buffer, const Node& node) {
  for (std::uint64_t unit = node.position + kKeyOffset;; unit += 2) {
    const std::optional<std::uint16_t> character = ReadLe16(buffer, unit);
    if (!character) return std::nullopt;
    if (*character == 0) return node.position + AlignedUp(unit + 2 - node.position);
  }
}

/// Windows-1252 byte of one UTF-16 unit, '?' where 1252 has none.
char AnsiOf(std::uint16_t unit) {
  const char bytes[2] = {static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
  return Utf16LeToCp1252(std::string_view(bytes, 2)).front();
}

// Keys compare ignoring the case of ASCII letters only, as VerQueryValueA does: "\xC4" and
// "\xE4" differ.
char FoldAscii(char byte) {
  return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte + 0x20) : byte;
}

bool UnitMatches(std::uint16_t unit, char queryByte) {
  const char ansi = AnsiOf(unit);
  if (ansi == '?' && unit != '?') return false;
  return FoldAscii(ansi) == FoldAscii(queryByte);
}

bool KeyMatches(std::string_view buffer, const Node& node, std::string_view part) {
  for (std::size_t i = 0; i <= part.size(); ++i) {
    const std::optional<std::uint16_t> unit = ReadLe16(buffer, node.position + kKeyOffset + 2 * i);
    if (!unit) return false;
    if (i == part.size()) return *unit == 0;
    if (!UnitMatches(*unit, part[i])) return false;
  }
  return false;
}

/// The first child of parent whose key matches part. The children run from the end of the
/// parent's value to the parent's length, each aligned to 4 bytes; a child of length 0 ends
/// the search.
std::optional<Node> FindChild(std::string_view buffer, const Node& parent, std::string_view part) {
  const std::optional<std::uint64_t> value = ValuePosition(buffer, parent);
  if (!value) return std::nullopt;
  const std::uint64_t valueBytes = std::uint64_t{parent.valueLength} * (parent.type != 0 ? 2 : 1);
  const std::uint64_t end = parent.position + parent.length;
  for (std::uint64_t position = *value + AlignedUp(valueBytes); position < end;) {
    const std::optional<Node> child = NodeAt(buffer, position);
    if (!child) return std::nullopt;
    if (KeyMatches(buffer, *child, part)) return child;
    if (child->length == 0) return std::nullopt;
    position += AlignedUp(child->length);
  }
  return std::nullopt;
}

std::optional<Node> FindNode(std::string_view buffer, std::string_view subBlock) {
  std::optional<Node> node = NodeAt(buffer, 0);
  std::size_t start = 0;
  while (node && start < subBlock.size()) {
    const std::size_t end = std::min(subBlock.find('\\', start), subBlock.size());
    if (end > start) node = FindChild(buffer, *node, subBlock.substr(start, end - start));
    start = end == start ? start + 1 : end;
  }
  return node;
}

/// The buffer GetFileVersionInfoA fills: the block, then as many bytes again plus 4, with the
/// mark written at the root's length when it fits.
std::string FilledBuffer(std::string_view block) {
  std::string buffer(block);
  buffer.append(block.size() + kConversionMark.size(), '\0');
  const std::uint64_t rootLength = *ReadLe16(buffer, 0);
  if (rootLength + kConversionMark.size() <= buffer.size()) {
    buffer.replace(static_cast<std::size_t>(rootLength), kConversionMark.size(), kConversionMark);
  }
  return buffer;
}

bool IsSixteenBit(std::string_view buffer) {
  if (buffer.size() <= kSixteenBitKeyOffset) return true;
  const auto first = static_cast<unsigned char>(buffer[kSixteenBitKeyOffset]);
  return first >= ' ' && first < 0x80;
}

std::string CStringAt(std::string_view buffer, std::uint64_t position) {
  if (position >= buffer.size()) return {};
  const std::string_view rest = buffer.substr(static_cast<std::size_t>(position));
  return std::string(rest.substr(0, rest.find('\0')));
}

/// VerQueryValueA's conversion of a text value: WideCharToMultiByte of the value length's
/// count of units into the root's length + 4 bytes further on, with room for the root's
/// length less the value's position. A value length of 0, or no room, converts nothing; too
/// little room converts what fits. Units go one by one, so an overlap with the source reads
/// what was already written, as the system's loop does.
std::string ConvertedText(std::string& buffer, std::uint64_t value, std::uint16_t units) {
  const std::uint64_t rootLength = *ReadLe16(buffer, 0);
  const std::uint64_t target = rootLength + kConversionMark.size() + value;
  const std::uint64_t room = value <= rootLength ? rootLength - value : 0;
  const std::uint64_t count = std::min<std::uint64_t>(units, room);
  for (std::uint64_t i = 0; i < count && target + i < buffer.size(); ++i) {
    const std::optional<std::uint16_t> unit = ReadLe16(buffer, value + 2 * i);
    if (!unit) break;
    buffer[static_cast<std::size_t>(target + i)] = AnsiOf(*unit);
  }
  return CStringAt(buffer, target);
}

}  // namespace

std::optional<std::string> VersionInfoBlock(const FileBytes& image, std::uint16_t userLanguage) {
  // The version functions read the file themselves when the loader finds no resource.
  if (std::optional<std::string> data =
          FindPeResource(image, kResourceTypeVersion, kVersionInfoId, userLanguage)) {
    return data;
  }
  if (std::optional<std::string> data =
          FindPeResourceInFile(image, kResourceTypeVersion, kVersionInfoId, userLanguage)) {
    return data;
  }
  return NeVersionInfoBuffer(image);
}

std::optional<std::string> QueryVersionValue(std::string_view block, std::string_view subBlock) {
  std::string buffer = FilledBuffer(block);
  if (IsSixteenBit(buffer)) {
    // A 16-bit block is the buffer itself; texts end at their NUL, as the caller reads them.
    std::optional<std::string> value = QuerySixteenBitValue(block, subBlock);
    if (value && subBlock.starts_with("\\StringFileInfo")) {
      value->erase(std::min(value->find('\0'), value->size()));
    }
    return value;
  }
  const std::optional<Node> node = FindNode(buffer, subBlock);
  if (!node) return std::nullopt;
  const std::optional<std::uint64_t> value = ValuePosition(buffer, *node);
  if (!value) return std::nullopt;
  if (node->type != 0) return ConvertedText(buffer, *value, node->valueLength);
  if (*value >= buffer.size()) return std::string();
  return buffer.substr(static_cast<std::size_t>(*value), node->valueLength);
}

}  // namespace kdx
