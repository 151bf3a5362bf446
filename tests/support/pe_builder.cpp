#include "support/pe_builder.h"

#include <algorithm>

namespace kdx::test {

namespace {

constexpr std::uint32_t kDirectoryFlag = 0x80000000;
constexpr std::size_t kFileAlignment = 0x200;
constexpr std::size_t kHeadersSize = 0x200;
constexpr std::size_t kNtHeaders = 0x40;

void PutLe16(std::string& bytes, std::size_t offset, std::uint16_t value) {
  if (bytes.size() < offset + 2) bytes.resize(offset + 2, '\0');
  bytes[offset] = static_cast<char>(value & 0xFF);
  bytes[offset + 1] = static_cast<char>(value >> 8);
}

void PutLe32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  PutLe16(bytes, offset, static_cast<std::uint16_t>(value & 0xFFFF));
  PutLe16(bytes, offset + 2, static_cast<std::uint16_t>(value >> 16));
}

void PutLe64(std::string& bytes, std::size_t offset, std::uint64_t value) {
  PutLe32(bytes, offset, static_cast<std::uint32_t>(value));
  PutLe32(bytes, offset + 4, static_cast<std::uint32_t>(value >> 32));
}

void PadTo(std::string& bytes, std::size_t alignment) {
  bytes.append((alignment - bytes.size() % alignment) % alignment, '\0');
}

/// Writes a directory header and its integer-id entries at offset.
void PutDirectory(std::string& section, std::size_t offset,
                  const std::vector<std::pair<std::uint16_t, std::uint32_t>>& entries) {
  PutLe16(section, offset + 14, static_cast<std::uint16_t>(entries.size()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    PutLe32(section, offset + 16 + 8 * i, entries[i].first);
    PutLe32(section, offset + 20 + 8 * i, entries[i].second);
  }
}

std::size_t DirectorySize(std::size_t entries) { return 16 + 8 * entries; }

}  // namespace

std::string ResourceSection(const std::vector<TestResource>& resources) {
  // The tree in order of first appearance: types, their ids, and the resources of each id.
  std::vector<std::uint16_t> types;
  std::vector<std::vector<std::uint16_t>> ids;
  std::vector<std::vector<std::vector<const TestResource*>>> leaves;
  for (const TestResource& resource : resources) {
    const auto type = std::find(types.begin(), types.end(), resource.type) - types.begin();
    if (type == static_cast<std::ptrdiff_t>(types.size())) {
      types.push_back(resource.type);
      ids.emplace_back();
      leaves.emplace_back();
    }
    auto& typeIds = ids[type];
    const auto id = std::find(typeIds.begin(), typeIds.end(), resource.id) - typeIds.begin();
    if (id == static_cast<std::ptrdiff_t>(typeIds.size())) {
      typeIds.push_back(resource.id);
      leaves[type].emplace_back();
    }
    leaves[type][id].push_back(&resource);
  }
  // Layout: root, the id directories, the language directories, the data entries, the data.
  std::string section;
  std::size_t next = DirectorySize(types.size());
  std::vector<std::pair<std::uint16_t, std::uint32_t>> rootEntries;
  for (std::size_t t = 0; t < types.size(); ++t) {
    rootEntries.emplace_back(types[t], kDirectoryFlag | static_cast<std::uint32_t>(next));
    next += DirectorySize(ids[t].size());
  }
  std::size_t dataEntries = next;
  for (const auto& typeLeaves : leaves) {
    for (const auto& idLeaves : typeLeaves) dataEntries += DirectorySize(idLeaves.size());
  }
  std::size_t data = dataEntries + 16 * resources.size();
  PutDirectory(section, 0, rootEntries);
  for (std::size_t t = 0; t < types.size(); ++t) {
    std::vector<std::pair<std::uint16_t, std::uint32_t>> idEntries;
    for (std::size_t i = 0; i < ids[t].size(); ++i) {
      idEntries.emplace_back(ids[t][i], kDirectoryFlag | static_cast<std::uint32_t>(next));
      std::vector<std::pair<std::uint16_t, std::uint32_t>> languageEntries;
      for (const TestResource* leaf : leaves[t][i]) {
        languageEntries.emplace_back(leaf->language, static_cast<std::uint32_t>(dataEntries));
        data = (data + 3) & ~std::size_t{3};
        PutLe32(section, dataEntries, static_cast<std::uint32_t>(kTestSectionRva + data));
        PutLe32(section, dataEntries + 4, static_cast<std::uint32_t>(leaf->data.size()));
        PutLe32(section, dataEntries + 12, 0);
        section.resize(std::max(section.size(), data + leaf->data.size()), '\0');
        section.replace(data, leaf->data.size(), leaf->data);
        dataEntries += 16;
        data += leaf->data.size();
      }
      PutDirectory(section, next, languageEntries);
      next += DirectorySize(languageEntries.size());
    }
    PutDirectory(section, rootEntries[t].second & ~kDirectoryFlag, idEntries);
  }
  return section;
}

std::string PeImage(std::string_view sectionBytes, const TestImageOptions& options) {
  std::string image(kHeadersSize, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  PutLe32(image, 0x3C, kNtHeaders);
  image.replace(kNtHeaders, 4, std::string("PE\0\0", 4));
  const std::size_t fileHeader = kNtHeaders + 4;
  const std::uint16_t optionalSize = options.pe32Plus ? 0xF0 : 0xE0;
  PutLe16(image, fileHeader, options.machine);
  PutLe16(image, fileHeader + 2, 1);
  PutLe16(image, fileHeader + 16, optionalSize);
  PutLe16(image, fileHeader + 18, options.pe32Plus ? 0x2022 : 0x2102);
  const std::size_t optional = fileHeader + 20;
  const auto imageSize = static_cast<std::uint32_t>(
      (kTestSectionRva + sectionBytes.size() + 0xFFF) & ~std::size_t{0xFFF});
  PutLe16(image, optional, options.pe32Plus ? 0x20B : 0x10B);
  if (options.pe32Plus) {
    PutLe64(image, optional + 24, 0x180000000);
  } else {
    PutLe32(image, optional + 28, 0x10000000);
  }
  PutLe32(image, optional + 32, 0x1000);  // section alignment
  PutLe32(image, optional + 36, kFileAlignment);
  PutLe16(image, optional + 40, 4);  // operating system version
  PutLe16(image, optional + 48, 4);  // subsystem version
  PutLe32(image, optional + 56, imageSize);
  PutLe32(image, optional + 60, kHeadersSize);
  PutLe16(image, optional + 68, 2);  // GUI subsystem
  const std::size_t directories = optional + (options.pe32Plus ? 108 : 92);
  PutLe32(image, directories, 16);
  PutLe32(image, directories + 4 + 16, kTestSectionRva);
  PutLe32(image, directories + 4 + 20, static_cast<std::uint32_t>(sectionBytes.size()));
  std::string rawData(sectionBytes);
  PadTo(rawData, kFileAlignment);
  const std::size_t section = optional + optionalSize;
  image.replace(section, 8, std::string(".rsrc\0\0\0", 8));
  PutLe32(image, section + 8, static_cast<std::uint32_t>(sectionBytes.size()));
  PutLe32(image, section + 12, kTestSectionRva);
  PutLe32(image, section + 16, static_cast<std::uint32_t>(rawData.size()));
  PutLe32(image, section + 20, kHeadersSize);
  PutLe32(image, section + 36, 0x40000040);  // initialised, readable data
  return image + rawData;
}

std::string ResourceImage(const std::vector<TestResource>& resources,
                          const TestImageOptions& options) {
  return PeImage(ResourceSection(resources), options);
}

std::string Utf16(std::u16string_view text) {
  std::string bytes;
  for (const char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

std::string VersionNode(std::u16string_view key, std::string_view value, std::uint16_t type,
                        const std::vector<std::string>& children,
                        std::optional<std::uint16_t> valueLength) {
  std::string node(6, '\0');
  node += Utf16(key) + std::string(2, '\0');
  PadTo(node, 4);
  node += value;
  for (const std::string& child : children) {
    PadTo(node, 4);
    node += child;
  }
  const std::size_t unit = type != 0 ? 2 : 1;
  PutLe16(node, 0, static_cast<std::uint16_t>(node.size()));
  PutLe16(node, 2, valueLength.value_or(static_cast<std::uint16_t>(value.size() / unit)));
  PutLe16(node, 4, type);
  return node;
}

std::string VersionString(std::u16string_view key, std::u16string_view value) {
  return VersionNode(key, Utf16(value) + std::string(2, '\0'), 1);
}

std::string FixedFileInfo() {
  std::string fixed(52, '\0');
  fixed.replace(0, 4, "\xBD\x04\xEF\xFE");
  return fixed;
}

std::string VersionBlock(const std::vector<std::string>& strings) {
  return VersionNode(
      u"VS_VERSION_INFO", FixedFileInfo(), 0,
      {VersionNode(u"StringFileInfo", "", 1, {VersionNode(u"040704E4", "", 1, strings)}),
       VersionNode(u"VarFileInfo", "", 1,
                   {VersionNode(u"Translation", std::string("\x07\x04\xE4\x04", 4), 0)})});
}

std::string MessageTable(const std::vector<TestMessageBlock>& blocks) {
  std::string table;
  PutLe32(table, 0, static_cast<std::uint32_t>(blocks.size()));
  std::string entries;
  const std::size_t first = 4 + 12 * blocks.size();
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const auto count = static_cast<std::uint32_t>(blocks[b].messages.size());
    PutLe32(table, 4 + 12 * b, blocks[b].lowId);
    PutLe32(table, 8 + 12 * b, blocks[b].lowId + count - 1);
    PutLe32(table, 12 + 12 * b, static_cast<std::uint32_t>(first + entries.size()));
    for (const TestMessage& message : blocks[b].messages) {
      std::string entry(4, '\0');
      entry += message.text;
      PutLe16(entry, 0, message.length.value_or(static_cast<std::uint16_t>(entry.size())));
      PutLe16(entry, 2, message.flags);
      entries += entry;
    }
  }
  return table + entries;
}

std::string OddVersionBlock() {
  return VersionBlock({
      VersionNode(u"NoNul", Utf16(u"abc"), 1),
      VersionNode(u"ByteLength", Utf16(u"abc") + std::string(2, '\0'), 1, {}, 8),
      VersionNode(u"Empty", "", 1, {}, 0),
      VersionString(u"Twice", u"first"),
      VersionString(u"Twice", u"second"),
      VersionString(u"MiXeD", u"mixed case"),
      VersionString(u"\u00C4\u00D6\u00DC", u"umlaut key"),
      VersionNode(u"Binary", Utf16(u"binary") + std::string(2, '\0'), 0),
      VersionString(u"Euro\u20AC", u"euro key"),
      VersionString(u"Dotted\u0130", u"dotted key"),
      VersionString(u"Wide", u"A\u0100B\u2260C\U0001F600D"),
      VersionString(u"ProductVersion", u"2.9"),
      VersionString(u"CompanyName", u"Kelmo"),
  });
}

std::string WithRootLength(std::string block, std::size_t rootLength) {
  PutLe16(block, 0, static_cast<std::uint16_t>(rootLength));
  return block;
}

std::string OddMessageTable() {
  return MessageTable({
      {1,
       {{std::string("ansi\0\0\0\0", 8), 0},
        {Utf16(u"utf16") + std::string(2, '\0'), 1},
        {std::string("utf8 thr\xC3\xA9"
                     "e\0",
                     12),
         2},
        {Utf16(u"flags 3") + std::string(2, '\0'), 3},
        {"nonul", 0},
        {std::string("six\0", 4), 0},
        {std::string("\x81\x8D\x8F\x90\x9D\xFF\0\0", 8), 0},
        {Utf16(u"sur\U0001F600") + std::string(2, '\0'), 1},
        {std::string("zero\0\0\0\0", 8), 0, 0},
        {std::string("ten\0", 4), 0}}},
      {5, {{std::string("five again\0\0", 12), 0}}},
      {100, {{std::string("hundred\0", 8), 0}}},
  });
}

}  // namespace kdx::test
