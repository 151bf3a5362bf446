#include "platform/formats/message_table.h"

#include "platform/formats/pe_headers.h"
#include "platform/formats/pe_image.h"
#include "platform/text_encoding.h"

namespace kdx {

namespace {

// FormatMessage reads only the message table of this resource id.
constexpr std::uint16_t kMessageTableId = 1;
constexpr std::uint64_t kBlockSize = 12;
constexpr std::uint64_t kEntryTextOffset = 4;
constexpr std::uint16_t kUnicodeFlag = 0x0001;

/// Offset of the entry for messageId within the table, or nothing.
std::optional<std::uint64_t> EntryOffset(std::string_view table, std::uint32_t messageId) {
  const std::optional<std::uint32_t> blockCount = ReadLe32(table, 0);
  if (!blockCount) return std::nullopt;
  for (std::uint64_t block = 0; block < *blockCount; ++block) {
    const std::uint64_t position = 4 + block * kBlockSize;
    const std::optional<std::uint32_t> low = ReadLe32(table, position);
    const std::optional<std::uint32_t> high = ReadLe32(table, position + 4);
    const std::optional<std::uint32_t> entries = ReadLe32(table, position + 8);
    if (!low || !high || !entries) return std::nullopt;
    if (messageId < *low || messageId > *high) continue;
    std::uint64_t entry = *entries;
    // Each step moves at least one byte unless an entry has length 0, which holds the walk
    // where it is: the bound of the data ends a long walk either way.
    for (std::uint32_t skip = messageId - *low; skip > 0; --skip) {
      const std::optional<std::uint16_t> length = ReadLe16(table, entry);
      if (!length) return std::nullopt;
      if (*length == 0) break;
      entry += *length;
    }
    return entry;
  }
  return std::nullopt;
}

std::string AnsiText(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::string UnicodeText(std::string_view text) {
  std::string ansi;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
    if (text[i] == '\0' && text[i + 1] == '\0') break;
    // One unit at a time: a surrogate pair becomes two '?', as Windows converts it.
    ansi += Utf16LeToCp1252(text.substr(i, 2));
  }
  return ansi;
}

}  // namespace

std::optional<std::string> FindMessage(const FileBytes& image, std::uint32_t messageId,
                                       std::uint16_t userLanguage) {
  if (!IsX86Image(image)) return std::nullopt;
  const std::optional<std::string> table =
      FindPeResource(image, kResourceTypeMessageTable, kMessageTableId, userLanguage);
  if (!table) return std::nullopt;
  const std::optional<std::uint64_t> entry = EntryOffset(*table, messageId);
  if (!entry) return std::nullopt;
  const std::optional<std::uint16_t> flags = ReadLe16(*table, *entry + 2);
  if (!flags || *entry + kEntryTextOffset > table->size()) return std::nullopt;
  const std::string_view whole = *table;
  const std::string_view text = whole.substr(static_cast<std::size_t>(*entry + kEntryTextOffset));
  return (*flags & kUnicodeFlag) != 0 ? UnicodeText(text) : AnsiText(text);
}

}  // namespace kdx
