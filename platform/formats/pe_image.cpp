#include "platform/formats/pe_image.h"

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
constexpr std::size_t kMaxListedBytes = 16 << 20;
constexpr std::size_t kMaxVisitedEntries = 16384;
constexpr std::uint16_t kEnglishUs = 0x0409;
constexpr std::uint16_t kPrimaryLanguageMask = 0x03FF;

std::uint64_t RoundUp(std::uint64_t value, std::uint64_t mask) { return (value + mask) & ~mask; }

/// The little-endian number of 2 or 4 bytes at offset.
std::optional<std::uint32_t> LittleEndian(const FileBytes& bytes, std::uint64_t offset,
                                          std::size_t size) {
  if (size == 2) return bytes.Le16(offset);
  return bytes.Le32(offset);
}

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

  bool Holds(std::uint64_t rva) const { return rva >= address && rva - address < size; }
};

/// The image as the loader maps it for LoadLibraryExA with DONT_RESOLVE_DLL_REFERENCES, and
/// for GetFileVersionInfoA (as an image resource): headers at address 0, each section at its
/// address, what the file does not fill reads as zeros.
class MappedImage {
 public:
  static std::optional<MappedImage> Map(const FileBytes& file) {
    const std::optional<PeHeaders> headers = ReadPeHeaders(file);
    if (!headers || !IsKnownMachine(*headers)) return std::nullopt;
    MappedImage image;
    image.file_ = &file;
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

  /// size bytes from rva; nothing when they leave the image or outgrow the file, which no
  /// real resource does.
  std::optional<std::string> Read(std::uint64_t rva, std::uint64_t size) const {
    if (size > file_->size() || rva > size_ || size_ - rva < size) return std::nullopt;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    while (bytes.size() < size) {
      const Run run = RunAt(rva + bytes.size());
      const auto length = static_cast<std::size_t>(std::min(run.length, size - bytes.size()));
      if (run.fromFile) {
        const std::optional<std::string> read = file_->Read(run.position, length);
        if (!read) return std::nullopt;
        bytes.append(*read);
      } else {
        bytes.append(length, '\0');
      }
    }
    return bytes;
  }

  std::optional<std::uint32_t> Le32(std::uint64_t rva) const { return Number(rva, 4); }

  std::optional<std::uint16_t> Le16(std::uint64_t rva) const {
    const std::optional<std::uint32_t> number = Number(rva, 2);
    if (!number) return std::nullopt;
    return static_cast<std::uint16_t>(*number);
  }

  std::uint32_t ResourceRva() const { return resourceRva_; }

 private:
  /// A stretch of the view whose bytes come from one place: the file from position on, or
  /// zeros.
  struct Run {
    bool fromFile = false;
    std::uint64_t position = 0;
    std::uint64_t length = 0;
  };

  static Run FileRun(std::uint64_t position, std::uint64_t length) {
    return {true, position, length};
  }
  static Run Zeros(std::uint64_t length) { return {false, 0, length}; }

  /// The little-endian number of 2 or 4 bytes at rva. Most lie in one run: read them there
  /// without a copy.
  std::optional<std::uint32_t> Number(std::uint64_t rva, std::size_t bytes) const {
    if (rva >= size_ || size_ - rva < bytes) return std::nullopt;
    const Run run = RunAt(rva);
    if (run.length >= bytes) return run.fromFile ? LittleEndian(*file_, run.position, bytes) : 0;
    const std::optional<std::string> copy = Read(rva, bytes);
    if (!copy) return std::nullopt;
    return LittleEndian(*copy, 0, bytes);
  }

  /// The run at rva, which lies inside the view. Later sections are mapped over earlier ones
  /// and the headers, so each run ends where a section mapped after its source begins.
  Run RunAt(std::uint64_t rva) const {
    if (flat_) return rva < file_->size() ? FileRun(rva, file_->size() - rva) : Zeros(size_ - rva);
    std::size_t later = sections_.size();
    while (later > 0 && !sections_[later - 1].Holds(rva)) --later;
    Run run = later > 0           ? SectionRun(sections_[later - 1], rva)
              : rva < headerSize_ ? FileRun(rva, headerSize_ - rva)
                                  : Zeros(size_ - rva);
    for (std::size_t i = later; i < sections_.size(); ++i) {
      if (sections_[i].address > rva) run.length = std::min(run.length, sections_[i].address - rva);
    }
    return run;
  }

  Run SectionRun(const MappedSection& section, std::uint64_t rva) const {
    const std::uint64_t offset = rva - section.address;
    const std::uint64_t position = section.fileStart + offset;
    if (offset < section.fileSize && position < file_->size()) {
      return FileRun(position, std::min(section.fileSize - offset, file_->size() - position));
    }
    return Zeros(section.size - offset);
  }

  bool FlatSectionsAgree(const PeHeaders& headers) const {
    if (headers.fileAlignment != headers.sectionAlignment) return false;
    return std::all_of(headers.sections.begin(), headers.sections.end(),
                       [](const PeSection& s) { return s.address == s.rawOffset; });
  }

  // The loader refuses a section that leaves the image or whose raw data leaves the file.
  bool MapSections(const PeHeaders& headers) {
    const std::uint64_t fileEnd = RoundUp(file_->size(), kSectorMask);
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
          (header.rawOffset >= file_->size() || section.fileStart + section.fileSize > fileEnd)) {
        return false;
      }
      sections_.push_back(section);
    }
    return true;
  }

  const FileBytes* file_ = nullptr;
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
  static std::optional<ResourceTree> Open(const FileBytes& file) {
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

/// The resources listed so far, bounded in count and bytes, and the entries looked at,
/// bounded too: directories that share their entries must not make the walk quadratic.
class BoundedListing {
 public:
  bool Full() const {
    return resources_.size() == kMaxListedResources || bytes_ >= kMaxListedBytes ||
           visited_ >= kMaxVisitedEntries;
  }

  void Visit() { ++visited_; }

  void Add(PeResource resource) {
    bytes_ += resource.data.size();
    resources_.push_back(std::move(resource));
  }

  std::vector<PeResource> Take() { return std::move(resources_); }

 private:
  std::vector<PeResource> resources_;
  std::size_t bytes_ = 0;
  std::size_t visited_ = 0;
};

void ListLanguages(const ResourceTree& tree, const Directory& languages, std::uint16_t id,
                   BoundedListing& listing) {
  for (int index = 0; index < languages.EntryCount() && !listing.Full(); ++index) {
    listing.Visit();
    const std::optional<DirectoryEntry> entry = tree.EntryAt(languages, index);
    if (!entry) return;
    if (entry->IsNamed() || entry->IsDirectory()) continue;
    if (std::optional<std::string> data = tree.DataOf(*entry)) {
      listing.Add({id, entry->Id(), std::move(*data)});
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

bool IsX86Image(const FileBytes& file) {
  const std::optional<PeHeaders> headers = ReadPeHeaders(file);
  return headers && headers->magic == kPe32Magic && MappedImage::Map(file).has_value();
}

std::vector<PeResource> FindPeResources(const FileBytes& file, std::uint16_t type) {
  const std::optional<ResourceTree> tree = ResourceTree::Open(file);
  if (!tree) return {};
  const std::optional<Directory> names = TypeDirectory(*tree, type);
  if (!names) return {};
  BoundedListing listing;
  for (int index = 0; index < names->EntryCount() && !listing.Full(); ++index) {
    listing.Visit();
    const std::optional<DirectoryEntry> entry = tree->EntryAt(*names, index);
    if (!entry) break;
    if (entry->IsNamed() || !entry->IsDirectory()) continue;
    if (const std::optional<Directory> languages = tree->DirectoryAt(entry->Offset())) {
      ListLanguages(*tree, *languages, entry->Id(), listing);
    }
  }
  return listing.Take();
}

std::optional<std::string> FindPeResource(const FileBytes& file, std::uint16_t type,
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
