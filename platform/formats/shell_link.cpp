#include "platform/formats/shell_link.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/text_encoding.h"

namespace kdx {

namespace {

constexpr std::size_t kHeaderSize = 0x4C;
constexpr std::string_view kShellLinkClassId(
    "\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
constexpr std::string_view kMyComputerClassId(
    "\xE0\x4F\xD0\x20\xEA\x3A\x69\x10\xA2\xD8\x08\x00\x2B\x30\x30\x9D", 16);
// The IShellLinkA calls get a buffer of 260 characters and leave a NUL in it.
constexpr std::size_t kLongestText = 259;

constexpr std::uint32_t kHasIdList = 0x1;
constexpr std::uint32_t kHasLinkInfo = 0x2;
constexpr std::uint32_t kIsUnicode = 0x80;
constexpr std::uint32_t kForceNoLinkInfo = 0x100;
constexpr std::uint32_t kHasExpString = 0x200;
// The flags of the StringData texts in file order: name (description), relative path, working
// directory, arguments, icon location.
constexpr std::array<std::uint32_t, 5> kStringFlags = {0x4, 0x8, 0x10, 0x20, 0x40};
constexpr std::size_t kDescription = 0;
constexpr std::size_t kWorkingDirectory = 2;
constexpr std::size_t kArguments = 3;

constexpr std::uint32_t kLocalPathFlag = 0x1;
constexpr std::uint32_t kNetworkPathFlag = 0x2;
constexpr std::uint32_t kLongLinkInfoHeader = 0x24;
constexpr std::uint32_t kEnvironmentBlockSignature = 0xA0000001;
constexpr std::uint32_t kEnvironmentBlockSize = 0x314;
constexpr std::uint32_t kFileEntryExtension = 0xBEEF0004;

// Little-endian numbers inside a block; zero where the block ends first.
std::uint32_t NumberAt(std::string_view bytes, std::size_t offset, std::size_t width) {
  if (offset > bytes.size() || bytes.size() - offset < width) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = width; i > 0; --i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i - 1]);
  }
  return value;
}
std::uint32_t U16At(std::string_view bytes, std::size_t offset) {
  return NumberAt(bytes, offset, 2);
}
std::uint32_t U32At(std::string_view bytes, std::size_t offset) {
  return NumberAt(bytes, offset, 4);
}

// A NUL-terminated 8-bit text from offset on, ending at the block's end at the latest.
std::u16string AnsiTextAt(std::string_view bytes, std::size_t offset) {
  if (offset >= bytes.size()) return {};
  const std::string_view text = bytes.substr(offset);
  return AnsiToUtf16(text.substr(0, text.find('\0')));
}

// A NUL-terminated UTF-16LE text from offset on, ending at the block's end at the latest.
std::u16string UnicodeTextAt(std::string_view bytes, std::size_t offset) {
  std::u16string text;
  for (std::size_t at = offset; at < bytes.size() && bytes.size() - at >= 2; at += 2) {
    const auto unit = static_cast<char16_t>(U16At(bytes, at));
    if (unit == 0) break;
    text.push_back(unit);
  }
  return text;
}

std::string ForBuffer(std::string text) {
  if (text.size() > kLongestText) text.resize(kLongestText);
  return text;
}

// Takes the file's structures in order; every take fails once the file's end cuts it short.
class LinkCursor {
 public:
  explicit LinkCursor(std::string_view bytes) : bytes_(bytes) {}

  std::optional<std::string_view> Take(std::size_t count) {
    if (bytes_.size() - position_ < count) return std::nullopt;
    const std::string_view taken = bytes_.substr(position_, count);
    position_ += count;
    return taken;
  }

  std::string_view Rest() const { return bytes_.substr(position_); }

 private:
  std::string_view bytes_;
  std::size_t position_ = 0;
};

// The path the LinkInfo names: the share and suffix of a network target (UNC priority),
// else the local base path and suffix. The UTF-16 forms, where the header has them, win.
std::u16string LinkInfoTarget(std::string_view info) {
  const std::uint32_t flags = U32At(info, 8);
  const bool longHeader = U32At(info, 4) >= kLongLinkInfoHeader;
  const std::uint32_t suffixUnicode = longHeader ? U32At(info, 32) : 0;
  const std::u16string suffix =
      suffixUnicode != 0 ? UnicodeTextAt(info, suffixUnicode) : AnsiTextAt(info, U32At(info, 24));
  const std::uint32_t networkOffset = U32At(info, 20);
  if ((flags & kNetworkPathFlag) != 0 && networkOffset != 0 && networkOffset < info.size()) {
    const std::string_view network = info.substr(networkOffset);
    const std::uint32_t nameOffset = U32At(network, 8);
    const std::uint32_t nameUnicode = nameOffset > 0x14 ? U32At(network, 20) : 0;
    std::u16string share =
        nameUnicode != 0 ? UnicodeTextAt(network, nameUnicode) : AnsiTextAt(network, nameOffset);
    if (!share.empty()) {
      if (!suffix.empty() && share.back() != u'\\') share.push_back(u'\\');
      return share + suffix;
    }
  }
  if ((flags & kLocalPathFlag) == 0) return {};
  const std::uint32_t baseUnicode = longHeader ? U32At(info, 28) : 0;
  const std::u16string base =
      baseUnicode != 0 ? UnicodeTextAt(info, baseUnicode) : AnsiTextAt(info, U32At(info, 16));
  return base.empty() ? base : base + suffix;
}

// The long name a file-system item keeps in its 0xBEEF0004 extension block, whose layout
// grew with the Windows versions that wrote it.
std::u16string LongNameOf(std::string_view item) {
  const std::uint32_t extension = U16At(item, item.size() - 2);
  if (extension < 14 || extension >= item.size()) return {};
  const std::string_view block = item.substr(extension, U16At(item, extension));
  if (U32At(block, 4) != kFileEntryExtension) return {};
  const std::uint32_t version = U16At(block, 2);
  const std::size_t nameOffset = version >= 9 ? 46 : version == 8 ? 42 : version == 7 ? 38 : 20;
  return UnicodeTextAt(block, nameOffset);
}

std::u16string FileEntryName(std::string_view item) {
  if (std::u16string longName = LongNameOf(item); !longName.empty()) return longName;
  const bool unicode = (static_cast<unsigned char>(item[2]) & 0x04) != 0;
  return unicode ? UnicodeTextAt(item, 14) : AnsiTextAt(item, 14);
}

// The path an ID list spells when it runs from My Computer over a drive through file-system
// items; empty for any other list (the desktop's own items, network places, control panel).
std::u16string IdListTarget(std::string_view list) {
  std::u16string path;
  std::size_t index = 0;
  for (std::size_t at = 0; list.size() - at >= 2; ++index) {
    const std::uint32_t size = U16At(list, at);
    if (size == 0) break;
    if (size < 3 || size > list.size() - at) return {};
    const std::string_view item = list.substr(at, size);
    at += size;
    const auto type = static_cast<unsigned char>(item[2]);
    if (index == 0) {
      if (type != 0x1F || item.size() < 20 || item.substr(4, 16) != kMyComputerClassId) return {};
    } else if (index == 1) {
      if ((type & 0x70) != 0x20) return {};
      path = AnsiTextAt(item, 3);
    } else {
      if ((type & 0x70) != 0x30) return {};
      if (!path.empty() && path.back() != u'\\') path.push_back(u'\\');
      path += FileEntryName(item);
    }
  }
  return index >= 2 ? path : std::u16string();
}

// The target of the EnvironmentVariableDataBlock among the extra data blocks, read as far
// as they are whole; nothing without one.
std::optional<std::u16string> EnvironmentTarget(std::string_view extra) {
  while (extra.size() >= 8) {
    const std::uint32_t size = U32At(extra, 0);
    if (size < 8 || size > extra.size()) break;
    if (U32At(extra, 4) == kEnvironmentBlockSignature && size == kEnvironmentBlockSize) {
      std::u16string target = UnicodeTextAt(extra.substr(0, size), 268);
      if (target.empty()) target = AnsiTextAt(extra.substr(0, 268), 8);
      return target;
    }
    extra.remove_prefix(size);
  }
  return std::nullopt;
}

struct LinkParts {
  std::uint32_t flags = 0;
  std::string_view idList;
  std::string_view linkInfo;
  std::array<std::u16string, kStringFlags.size()> strings;
  std::string_view extra;
};

std::optional<LinkParts> SplitLink(std::string_view bytes) {
  LinkCursor cursor(bytes);
  const auto header = cursor.Take(kHeaderSize);
  if (!header || U32At(*header, 0) != kHeaderSize || header->substr(4, 16) != kShellLinkClassId) {
    return std::nullopt;
  }
  LinkParts parts;
  parts.flags = U32At(*header, 0x14);
  if ((parts.flags & kHasIdList) != 0) {
    const auto size = cursor.Take(2);
    const auto list = size ? cursor.Take(U16At(*size, 0)) : std::nullopt;
    if (!list) return std::nullopt;
    parts.idList = *list;
  }
  if ((parts.flags & kHasLinkInfo) != 0) {
    const std::uint32_t size = U32At(cursor.Rest(), 0);
    const auto info = size >= 0x1C ? cursor.Take(size) : std::nullopt;
    if (!info) return std::nullopt;
    parts.linkInfo = *info;
  }
  const bool unicode = (parts.flags & kIsUnicode) != 0;
  for (std::size_t i = 0; i < kStringFlags.size(); ++i) {
    if ((parts.flags & kStringFlags[i]) == 0) continue;
    const auto count = cursor.Take(2);
    if (!count) return std::nullopt;
    const auto text = cursor.Take(static_cast<std::size_t>(U16At(*count, 0)) * (unicode ? 2 : 1));
    if (!text) return std::nullopt;
    parts.strings[i] = unicode ? UnicodeTextAt(*text, 0) : AnsiTextAt(*text, 0);
  }
  parts.extra = cursor.Rest();
  return parts;
}

std::string TargetPath(const LinkParts& parts, const EnvironmentExpander& expand) {
  if ((parts.flags & kHasExpString) != 0) {
    if (const auto target = EnvironmentTarget(parts.extra)) return expand(Utf16ToAnsi(*target));
  }
  if ((parts.flags & kForceNoLinkInfo) == 0 && !parts.linkInfo.empty()) {
    if (const std::u16string target = LinkInfoTarget(parts.linkInfo); !target.empty()) {
      return Utf16ToAnsi(target);
    }
  }
  return Utf16ToAnsi(IdListTarget(parts.idList));
}

}  // namespace

std::optional<ShellLinkTexts> ReadShellLink(std::string_view bytes,
                                            const EnvironmentExpander& expand) {
  const auto parts = SplitLink(bytes);
  if (!parts) return std::nullopt;
  return ShellLinkTexts{ForBuffer(TargetPath(*parts, expand)),
                        ForBuffer(Utf16ToAnsi(parts->strings[kDescription])),
                        ForBuffer(Utf16ToAnsi(parts->strings[kWorkingDirectory])),
                        ForBuffer(Utf16ToAnsi(parts->strings[kArguments]))};
}

}  // namespace kdx
