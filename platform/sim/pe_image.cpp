#include "platform/sim/pe_image.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kdx {

namespace {

constexpr std::uint32_t kResourceDirectoryIndex = 2;
// The 32-bit loader's limits on the headers.
constexpr std::uint64_t kNtHeadersSize = 248;
constexpr std::uint16_t kMaxSections = 96;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kPageMask = 0xFFF;
constexpr std::uint64_t kSectorMask = 0x1FF;
constexpr std::uint64_t kDirectoryHeaderSize = 16;
constexpr std::uint64_t kDirectoryEntrySize = 8;
constexpr std::uint32_t kHighBit = 0x80000000;
constexpr std::size_t kMaxListedResources = 4096;
constexpr std::uint16_t kEnglishUs = 0x0409;
constexpr std::uint16_t kPrimaryLanguageMask = 0x03FF;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t mask) { return (value + mask) & ~mask; }

bool IsKnownMachine(const PeHeaders& headers) {
  return (headers.magic == kPe32Magic && headers.machine == kMachineX86) ||
         (headers.magic == kPe32PlusMagic && headers.machine == kMachineX64);
}

/// Where a section's bytes land when the loader maps the image.
struct MappedSection {
  std::uint64_t address = 0;
  std::uint64_t size = 0;       // its virtual size (or raw size) rounded up to a page
  std::uint64_t fileStart = 0;  // the raw data's offset, rounded down to a 512-byte sector
  std::uint64_t fileSize = 0;   // bytes from the file; the rest of the section reads as zeros
};

/// The image as the loader maps it for LoadLibraryExA with DONT_RESOLVE_DLL_REFERENCES, and
/// for GetFileVersionInfoA (as an image resource): headers at address 0, each section at its
/// address, what the file does not fill reads as zeros.
class MappedImage {
 public:
  static std::optional<MappedImage> Map(std::string_view file) {
    const std::optional<PeHeaders> headers = ReadPeHeaders(file);
    if (!headers || !IsKnownMachine(*headers)) return std::nullopt;
    MappedImage image;
    image.file_ = file;
    image.resourceRva_ =
        headers->directoryCount > kResourceDirectoryIndex ? headers->resourceRva : 0;
    const std::uint64_t alignMask =
        std::max<std::uint64_t>(std::uint64_t{headers->sectionAlignment} - 1, kPageMask);
    image.size_ = RoundUp(headers->sizeOfImage, alignMask);
    const std::uint64_t tableEnd =
        headers->sectionTable + kSectionHeaderSize * headers->sectionCount;
    image.headerSize_ = std::min<std::uint64_t>(
        std::max<std::uint64_t>(headers->sizeOfHeaders, tableEnd), file.size());
    const std::uint64_t headerEnd = RoundUp(image.headerSize_, kPageMask);
    if (tableEnd > image.size_ || tableEnd > file.size() ||
        headers->ntHeaders + kNtHeadersSize > headerEnd || headers->sectionCount > kMaxSections ||
        tableEnd > headerEnd) {
      return std::nullopt;
    }
    // Section alignment below a page maps the whole file as it is.
    image.flat_ = (headers->sectionAlignment & kPageMask) != 0;
    if (image.flat_) {
      image.size_ = std::min(image.size_, RoundUp(file.size(), kPageMask));
      return image.FlatSectionsAgree(*headers) ? std::optional(image) : std::nullopt;
    }
    return image.MapSections(*headers) ? std::optional(image) : std::nullopt;
  }

  std::optional<char> ByteAt(std::uint64_t rva) const {
    if (rva >= size_) return std::nullopt;
    if (flat_) return rva < file_.size() ? FileByte(rva) : '\0';
    // Later sections are mapped over earlier ones.
    for (auto section = sections_.rbegin(); section != sections_.rend(); ++section) {
      if (rva < section->address || rva - section->address >= section->size) continue;
      const std::uint64_t offset = rva - section->address;
      const std::uint64_t position = section->fileStart + offset;
      return offset < section->fileSize && position < file_.size() ? FileByte(position) : '\0';
    }
    return rva < headerSize_ ? FileByte(rva) : '\0';
  }

  /// size bytes from rva; nothing when they leave the image or outgrow the file, which no
  /// real resource does.
  std::optional<std::string> Read(std::uint64_t rva, std::uint64_t size) const {
    if (size > file_.size()) return std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    for (std::uint64_t i = 0; i < size; ++i) {
      const std::optional<char> byte = ByteAt(rva + i);
      if (!byte) return std::nullopt;
      bytes.push_back(*byte);
    }
    return bytes;
  }

  std::optional<std::uint32_t> Le32(std::uint64_t rva) const {
    const std::optional<std::string> bytes = Read(rva, 4);
    if (!bytes) return std::nullopt;
    return ReadLe32(*bytes, 0);
  }

  std::optional<std::uint16_t> Le16(std::uint64_t rva) const {
    const std::optional<std::string> bytes = Read(rva, 2);
    if (!bytes) return std::nullopt;
    return ReadLe16(*bytes, 0);
  }

  std::uint32_t ResourceRva() const { return resourceRva_; }

 private:
  /// The file's byte at an offset already checked to lie inside it.
  char FileByte(std::uint64_t offset) const { return file_[static_cast<std::size_t>(offset)]; }

  bool FlatSectionsAgree(const PeHeaders& headers) const {
    if (headers.fileAlignment != headers.sectionAlignment) return false;
    return std::all_of(headers.sections.begin(), headers.sections.end(),
                       [](const PeSection& s) { return s.address == s.rawOffset; });
  }

  // The loader refuses a section that leaves the image or whose raw data leaves the file.
  bool MapSections(const PeHeaders& headers) {
    const std::uint64_t fileEnd = RoundUp(file_.size(), kSectorMask);
    for (const PeSection& header : headers.sections) {
      MappedSection section;
      section.address = header.address;
      section.size =
          RoundUp(header.virtualSize != 0 ? header.virtualSize : header.rawSize, kPageMask);
      section.fileStart = header.rawOffset & ~kSectorMask;
      section.fileSize = std::min(
          RoundUp(std::uint64_t{header.rawSize} + (header.rawOffset & kSectorMask), kSectorMask),
          section.size);
      if (section.address + RoundUp(section.size + (section.address & kPageMask), kPageMask) >
          size_) {
        return false;
      }
      if (header.rawOffset == 0) section.fileSize = 0;
      if (section.fileSize != 0 &&
          (header.rawOffset >= file_.size() || section.fileStart + section.fileSize > fileEnd)) {
        return false;
      }
      sections_.push_back(section);
    }
    return true;
  }

  std::string_view file_;
  std::uint64_t size_ = 0;
  std::uint64_t headerSize_ = 0;
  bool flat_ = false;
  std::vector<MappedSection> sections_;
  std::uint32_t resourceRva_ = 0;
};

struct DirectoryEntry {
  std::uint32_t name = 0;    // an integer id in the low 16 bits unless the high bit marks a name
  std::uint32_t target = 0;  // offset from the root; the high bit marks a subdirectory

  bool IsNamed() const { return (name & kHighBit) != 0; }
  bool IsDirectory() const { return (target & kHighBit) != 0; }
  std::uint16_t Id() const { return static_cast<std::uint16_t>(name); }
  std::uint32_t Offset() const { return target & ~kHighBit; }
};

struct Directory {
  std::uint64_t address = 0;
  int namedCount = 0;
  int idCount = 0;

  int EntryCount() const { return namedCount + idCount; }
};

/// The resource directory of a mapped image; offsets inside it count from its root.
class ResourceTree {
 public:
  static std::optional<ResourceTree> Open(std::string_view file) {
    std::optional<MappedImage> image = MappedImage::Map(file);
    if (!image || image->ResourceRva() == 0) return std::nullopt;
    return ResourceTree(std::move(*image));
  }

  std::optional<Directory> Root() const { return DirectoryAt(0); }

  std::optional<Directory> DirectoryAt(std::uint32_t offset) const {
    const std::uint64_t address = std::uint64_t{image_.ResourceRva()} + offset;
    const std::optional<std::uint16_t> named = image_.Le16(address + 12);
    const std::optional<std::uint16_t> ids = image_.Le16(address + 14);
    if (!named || !ids) return std::nullopt;
    return Directory{address, *named, *ids};
  }

  std::optional<DirectoryEntry> EntryAt(const Directory& directory, int index) const {
    const std::uint64_t address =
        directory.address + kDirectoryHeaderSize + kDirectoryEntrySize * index;
    const std::optional<std::uint32_t> name = image_.Le32(address);
    const std::optional<std::uint32_t> target = image_.Le32(address + 4);
    if (!name || !target) return std::nullopt;
    return DirectoryEntry{*name, *target};
  }

  /// The loader's lookup: a binary search over the integer ids; a match of the wrong kind
  /// (directory or data) ends the search.
  std::optional<DirectoryEntry> FindById(const Directory& directory, std::uint16_t id,
                                         bool wantDirectory) const {
    int low = directory.namedCount;
    int high = directory.EntryCount() - 1;
    while (low <= high) {
      const int middle = (low + high) / 2;
      const std::optional<DirectoryEntry> entry = EntryAt(directory, middle);
      if (!entry) return std::nullopt;
      if (entry->Id() == id) {
        if (entry->IsDirectory() != wantDirectory) return std::nullopt;
        return entry;
      }
      if (entry->Id() > id) {
        high = middle - 1;
      } else {
        low = middle + 1;
      }
    }
    return std::nullopt;
  }

  /// The first entry, named or not, of the wanted kind.
  std::optional<DirectoryEntry> FindFirst(const Directory& directory, bool wantDirectory) const {
    for (int index = 0; index < directory.EntryCount(); ++index) {
      const std::optional<DirectoryEntry> entry = EntryAt(directory, index);
      if (!entry) return std::nullopt;
      if (entry->IsDirectory() == wantDirectory) return entry;
    }
    return std::nullopt;
  }

  std::optional<Directory> SubdirectoryOf(const std::optional<DirectoryEntry>& entry) const {
    if (!entry) return std::nullopt;
    return DirectoryAt(entry->Offset());
  }

  /// The bytes a data entry describes: its address is relative to the image, not the root.
  std::optional<std::string> DataOf(const DirectoryEntry& entry) const {
    const std::uint64_t address = std::uint64_t{image_.ResourceRva()} + entry.Offset();
    const std::optional<std::uint32_t> rva = image_.Le32(address);
    const std::optional<std::uint32_t> size = image_.Le32(address + 4);
    if (!rva || !size) return std::nullopt;
    return image_.Read(*rva, *size);
  }

 private:
  explicit ResourceTree(MappedImage image) : image_(std::move(image)) {}

  MappedImage image_;
};

/// The id directory of a type, found as the loader finds it.
std::optional<Directory> TypeDirectory(const ResourceTree& tree, std::uint16_t type) {
  const std::optional<Directory> root = tree.Root();
  if (!root) return std::nullopt;
  return tree.SubdirectoryOf(tree.FindById(*root, type, true));
}

void ListLanguages(const ResourceTree& tree, const Directory& languages, std::uint16_t id,
                   std::vector<PeResource>& resources) {
  for (int index = 0; index < languages.EntryCount(); ++index) {
    const std::optional<DirectoryEntry> entry = tree.EntryAt(languages, index);
    if (!entry || resources.size() == kMaxListedResources) return;
    if (entry->IsNamed() || entry->IsDirectory()) continue;
    if (std::optional<std::string> data = tree.DataOf(*entry)) {
      resources.push_back({id, entry->Id(), std::move(*data)});
    }
  }
}

/// The languages FindResource tries for the neutral language, without repeats.
std::vector<std::uint16_t> LanguageOrder(std::uint16_t userLanguage) {
  const std::array<std::uint16_t, 4> candidates = {
      0x0000, userLanguage, static_cast<std::uint16_t>(userLanguage & kPrimaryLanguageMask),
      kEnglishUs};
  std::vector<std::uint16_t> order;
  for (const std::uint16_t language : candidates) {
    if (std::find(order.begin(), order.end(), language) == order.end()) order.push_back(language);
  }
  return order;
}

}  // namespace

bool IsX86Image(std::string_view file) {
  const std::optional<PeHeaders> headers = ReadPeHeaders(file);
  return headers && headers->magic == kPe32Magic && MappedImage::Map(file).has_value();
}

std::vector<PeResource> FindPeResources(std::string_view file, std::uint16_t type) {
  std::vector<PeResource> resources;
  const std::optional<ResourceTree> tree = ResourceTree::Open(file);
  if (!tree) return resources;
  const std::optional<Directory> names = TypeDirectory(*tree, type);
  if (!names) return resources;
  for (int index = 0; index < names->EntryCount(); ++index) {
    const std::optional<DirectoryEntry> entry = tree->EntryAt(*names, index);
    if (!entry || resources.size() == kMaxListedResources) break;
    if (entry->IsNamed() || !entry->IsDirectory()) continue;
    if (const std::optional<Directory> languages = tree->DirectoryAt(entry->Offset())) {
      ListLanguages(*tree, *languages, entry->Id(), resources);
    }
  }
  return resources;
}

std::optional<std::string> FindPeResource(std::string_view file, std::uint16_t type,
                                          std::uint16_t id, std::uint16_t userLanguage) {
  const std::optional<ResourceTree> tree = ResourceTree::Open(file);
  if (!tree) return std::nullopt;
  const std::optional<Directory> names = TypeDirectory(*tree, type);
  if (!names) return std::nullopt;
  const std::optional<Directory> languages = tree->SubdirectoryOf(tree->FindById(*names, id, true));
  if (!languages) return std::nullopt;
  for (const std::uint16_t language : LanguageOrder(userLanguage)) {
    if (const std::optional<DirectoryEntry> entry = tree->FindById(*languages, language, false)) {
      return tree->DataOf(*entry);
    }
  }
  const std::optional<DirectoryEntry> first = tree->FindFirst(*languages, false);
  if (!first) return std::nullopt;
  return tree->DataOf(*first);
}

}  // namespace kdx
