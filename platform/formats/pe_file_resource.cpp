#include "platform/formats/pe_file_resource.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/formats/pe_headers.h"

namespace kdx {

namespace {

constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kOffsetMask = 0x7FFFFFFF;
constexpr std::uint16_t kEnglishUs = 0x0409;
constexpr std::uint16_t kPrimaryLanguageMask = 0x03FF;
constexpr std::uint16_t kSublanguageDefault = 0x0400;

/// The first section whose raw data holds rva, as the version functions look it up.
const PeSection* SectionHolding(const PeHeaders& headers, std::uint32_t rva) {
  const auto holds = [rva](const PeSection& section) {
    return rva >= section.address && rva - section.address < section.rawSize;
  };
  const auto found = std::find_if(headers.sections.begin(), headers.sections.end(), holds);
  return found == headers.sections.end() ? nullptr : &*found;
}

/// The resource directory as read from its section: the section's raw bytes from the
/// directory on, then zeros up to the section's virtual size.
class SectionDirectory {
 public:
  SectionDirectory(std::string_view raw, std::uint64_t size) : raw_(raw), size_(size) {}

  std::uint64_t Size() const { return size_; }

  std::optional<std::uint32_t> Le32(std::uint64_t offset) const {
    if (offset > size_ || size_ - offset < 4) return std::nullopt;
    return ReadLe32(raw_, offset).value_or(0);
  }

  std::optional<std::uint16_t> Le16(std::uint64_t offset) const {
    if (offset > size_ || size_ - offset < 2) return std::nullopt;
    return ReadLe16(raw_, offset).value_or(0);
  }

  /// The offset an entry of the directory at offset points to, found by binary search for
  /// id, or nothing. The entries must fit the section and the target must leave room for a
  /// directory header.
  std::optional<std::uint32_t> FindById(std::uint64_t directory, std::uint16_t id) const {
    const std::optional<std::uint16_t> named = Le16(directory + 12);
    const std::optional<std::uint16_t> ids = Le16(directory + 14);
    if (!named || !ids || *ids == 0) return std::nullopt;
    int low = *named;
    int high = low + *ids - 1;
    if (static_cast<std::uint64_t>(high) >=
        (size_ - directory - kDirectoryHeaderSize) / kDirectoryEntrySize) {
      return std::nullopt;
    }
    while (low <= high) {
      const int middle = (low + high) / 2;
      const std::uint64_t entry = directory + kDirectoryHeaderSize + kDirectoryEntrySize * middle;
      const std::uint16_t entryId = *Le16(entry);
      if (entryId == id) return TargetOf(entry);
      if (entryId > id) {
        high = middle - 1;
      } else {
        low = middle + 1;
      }
    }
    return std::nullopt;
  }

  /// The target of the directory's first entry, whatever it is.
  std::optional<std::uint32_t> FirstTarget(std::uint64_t directory) const {
    return TargetOf(directory + kDirectoryHeaderSize);
  }

 private:
  std::optional<std::uint32_t> TargetOf(std::uint64_t entry) const {
    const std::optional<std::uint32_t> target = Le32(entry + 4);
    if (!target || (*target & kOffsetMask) > size_ - kDirectoryHeaderSize) return std::nullopt;
    return *target & kOffsetMask;
  }

  std::string_view raw_;
  std::uint64_t size_;
};

std::vector<std::uint16_t> LanguageOrder(std::uint16_t userLanguage) {
  const auto primary = static_cast<std::uint16_t>(userLanguage & kPrimaryLanguageMask);
  const std::array<std::uint16_t, 5> candidates = {
      0x0000, userLanguage, primary, static_cast<std::uint16_t>(primary | kSublanguageDefault),
      kEnglishUs};
  std::vector<std::uint16_t> order;
  for (const std::uint16_t language : candidates) {
    if (std::find(order.begin(), order.end(), language) == order.end()) order.push_back(language);
  }
  return order;
}

std::optional<std::uint32_t> LanguageEntry(const SectionDirectory& tree, std::uint32_t languages,
                                           std::uint16_t userLanguage) {
  for (const std::uint16_t language : LanguageOrder(userLanguage)) {
    if (const std::optional<std::uint32_t> entry = tree.FindById(languages, language)) {
      return entry;
    }
  }
  return tree.FirstTarget(languages);
}

/// The bytes at rva for size bytes, from the file through the sections; zeros past its end.
std::optional<std::string> FileData(const FileBytes& file, const PeHeaders& headers,
                                    std::uint32_t rva, std::uint32_t size) {
  const PeSection* section = SectionHolding(headers, rva);
  if (section == nullptr || size > file.size()) return std::nullopt;
  const std::uint64_t offset = std::uint64_t{section->rawOffset} + (rva - section->address);
  std::string data(size, '\0');
  if (offset < file.size()) {
    const std::optional<std::string> present =
        file.Read(offset, std::min<std::uint64_t>(size, file.size() - offset));
    if (!present) return std::nullopt;
    data.replace(0, present->size(), *present);
  }
  return data;
}

}  // namespace

std::optional<std::string> FindPeResourceInFile(const FileBytes& file, std::uint16_t type,
                                                std::uint16_t id, std::uint16_t userLanguage) {
  const std::optional<PeHeaders> headers = ReadPeHeaders(file);
  if (!headers || (headers->magic != kPe32Magic && headers->magic != kPe32PlusMagic) ||
      headers->resourceSize == 0 || headers->sections.size() != headers->sectionCount) {
    return std::nullopt;
  }
  const PeSection* section = SectionHolding(*headers, headers->resourceRva);
  if (section == nullptr || section->rawOffset > file.size() ||
      file.size() - section->rawOffset < section->rawSize) {
    return std::nullopt;
  }
  // The section's raw data lies inside the file (checked above), so its offsets fit size_t.
  const auto start = static_cast<std::size_t>(headers->resourceRva - section->address);
  const std::uint64_t size = std::max(section->rawSize, section->virtualSize);
  const std::optional<std::string> directory =
      file.Read(section->rawOffset + start, section->rawSize - start);
  if (!directory) return std::nullopt;
  const SectionDirectory tree(*directory, size - start);
  std::optional<std::uint32_t> entry = tree.FindById(0, type);
  if (entry) entry = tree.FindById(*entry, id);
  if (entry) entry = LanguageEntry(tree, *entry, userLanguage);
  if (!entry) return std::nullopt;
  const std::optional<std::uint32_t> dataRva = tree.Le32(*entry);
  const std::optional<std::uint32_t> dataSize = tree.Le32(*entry + 4);
  if (!dataRva || !dataSize) return std::nullopt;
  return FileData(file, *headers, *dataRva, *dataSize);
}

}  // namespace kdx
