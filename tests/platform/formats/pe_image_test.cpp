#include "platform/formats/pe_image.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/pe_builder.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::ResourceImage;
using test::TestResource;

std::string PeFile(const std::string& name) {
  return test::ReadFileBytes(std::filesystem::path(KDX_SOURCE_DIR) / "tests/data/pe" / name);
}

/// The resources of a type as "id/language/size" lines.
std::vector<std::string> Listing(std::string_view image, std::uint16_t type) {
  std::vector<std::string> lines;
  for (const PeResource& resource : FindPeResources(image, type)) {
    char line[64];
    std::snprintf(line, sizeof line, "%X/%04X/%zu", resource.id, resource.language,
                  resource.data.size());
    lines.push_back(line);
  }
  return lines;
}

using Lines = std::vector<std::string>;

struct ListingCase {
  const char* file;
  std::uint16_t type;
  Lines expected;
};

// Real files list their resources of a type in directory order; files without a resource
// directory list none.
TEST(PeImageTest, ListsResourcesOfRealFiles) {
  const std::vector<ListingCase> cases = {
      {"winevtkb_wrc_test.dll", 6, {"3F/0409/50", "46/0409/62"}},
      {"winevtkb_wrc_test.dll", 11, {"1/0409/120"}},
      {"winevtkb_wrc_test.dll", 16, {"1/0409/764"}},
      {"winevtkb_wrc_test.dll", 3, {}},
      {"plaso_wrc-test-wevt_template.dll", 11, {"1/0409/52"}},
      {"kdx_resources.dll", 11, {"1/0407/268", "1/0409/180"}},
      {"kdx_resources.dll", 16, {"1/0407/548"}},
      {"corkami_version_std.exe", 16, {"1/0000/1060"}},
      {"corkami_resource_string.exe", 6, {"A/0000/94"}},
      // The root lists 0x315 before 0: the loader's binary search finds only 0x315.
      {"corkami_resourceloop.exe", 0x315, {"7354/0000/34"}},
      {"corkami_resourceloop.exe", 0, {}},
      {"winevtkb_nowrc_test.dll", 16, {}},
      {"plaso_test_pe.exe", 16, {}},
  };
  for (const ListingCase& c : cases) {
    EXPECT_EQ(Listing(PeFile(c.file), c.type), c.expected) << c.file << " type " << c.type;
  }
}

// The resource data is the bytes the resource parsers' authors extracted from the same DLL.
TEST(PeImageTest, DataIsTheResourceBytes) {
  const std::string image = PeFile("winevtkb_wrc_test.dll");
  const std::vector<PeResource> versions = FindPeResources(image, kResourceTypeVersion);
  ASSERT_EQ(versions.size(), 1u);
  EXPECT_EQ(versions[0].data, PeFile("libwrc_version_information_resource.1"));
}

// Named entries are passed over at the id level; a type with only a name lists nothing.
TEST(PeImageTest, SkipsNamedEntries) {
  std::string image = ResourceImage({{6, 1, 0x409, "one"}, {6, 2, 0x409, "two"}});
  // The id directory of type 6 follows the root: make its first entry a name.
  const std::size_t idDirectory = 0x200 + 24;
  image[idDirectory + 12] = 1;
  image[idDirectory + 14] = 1;
  image[idDirectory + 16 + 3] = '\x80';
  EXPECT_EQ(Listing(image, 6), Lines({"2/0409/3"}));
  EXPECT_EQ(Listing(PeFile("plaso_wrc-test-wevt_template.dll"), 0xE8), Lines{});
}

// A PE32+ image is read as well as a PE32 one.
TEST(PeImageTest, ReadsPe32Plus) {
  const std::string image =
      ResourceImage({{16, 1, 0x407, "data"}}, {.pe32Plus = true, .machine = 0x8664});
  EXPECT_EQ(Listing(image, 16), Lines({"1/0407/4"}));
  EXPECT_EQ(FindPeResource(image, 16, 1, 0x0407), "data");
}

// Only a PE32 image for x86 loads as a module into a 32-bit program.
TEST(PeImageTest, KnowsX86Images) {
  const std::vector<TestResource> resources = {{16, 1, 0x407, "data"}};
  EXPECT_TRUE(IsX86Image(ResourceImage(resources)));
  EXPECT_TRUE(IsX86Image(PeFile("corkami_resourceloop.exe")));
  EXPECT_FALSE(IsX86Image(ResourceImage(resources, {.pe32Plus = true, .machine = 0x8664})));
  EXPECT_FALSE(IsX86Image(ResourceImage(resources, {.pe32Plus = true, .machine = 0x14C})));
  EXPECT_FALSE(IsX86Image(ResourceImage(resources, {.machine = 0x8664})));
  EXPECT_FALSE(IsX86Image("MZ"));
}

struct LanguageCase {
  std::vector<std::uint16_t> languages;  // in directory order
  std::uint16_t userLanguage;
  std::uint16_t expected;
};

// With the neutral language, the loader tries neutral, the user's language, its primary
// language, English (US), then the first listed, each by binary search.
TEST(PeImageTest, PicksLanguageAsTheLoader) {
  const std::vector<LanguageCase> cases = {
      {{0x0407, 0x0409}, 0x0407, 0x0407},
      {{0x0407, 0x0409}, 0x0409, 0x0409},
      {{0x0407, 0x0409}, 0x040C, 0x0409},
      {{0x0409, 0x040C}, 0x0407, 0x0409},
      {{0x0007, 0x0409}, 0x0407, 0x0007},
      {{0x0409, 0x0807}, 0x0407, 0x0409},
      {{0x0000, 0x0407}, 0x0407, 0x0000},
      {{0x0807, 0x0C07}, 0x0407, 0x0807},
      {{0x0807, 0x0C07}, 0x0409, 0x0807},
      // Unsorted: the search for 0x0407 looks at 0x040C, then 0x0409, and gives up.
      {{0x0409, 0x040C, 0x0407}, 0x0407, 0x0409},
  };
  for (const LanguageCase& c : cases) {
    std::vector<TestResource> resources;
    for (const std::uint16_t language : c.languages) {
      char data[8];
      std::snprintf(data, sizeof data, "%04X", language);
      resources.push_back({11, 1, language, data});
    }
    char expected[8];
    std::snprintf(expected, sizeof expected, "%04X", c.expected);
    EXPECT_EQ(FindPeResource(ResourceImage(resources), 11, 1, c.userLanguage), expected)
        << "user language " << c.userLanguage << ", first listed " << c.languages[0];
  }
}

// Type and id must both match.
TEST(PeImageTest, FindsOnlyTheAskedTypeAndId) {
  const std::string image = ResourceImage({{11, 2, 0, "m"}, {16, 1, 0, "v"}});
  EXPECT_EQ(FindPeResource(image, 16, 1, 0x409), "v");
  EXPECT_EQ(FindPeResource(image, 11, 2, 0x409), "m");
  EXPECT_EQ(FindPeResource(image, 11, 1, 0x409), std::nullopt);
  EXPECT_EQ(FindPeResource(image, 6, 1, 0x409), std::nullopt);
}

// Anything that is not a PE image with a resource directory has no resources.
TEST(PeImageTest, RefusesWhatIsNoPeImage) {
  const std::string good = ResourceImage({{16, 1, 0, "v"}});
  const auto with = [&](std::size_t offset, char byte) {
    std::string bad = good;
    bad[offset] = byte;
    return bad;
  };
  // empty input, a DOS header alone, no "PE" signature, an unknown optional header magic
  for (const std::string& image :
       {std::string(), std::string("MZ"), with(0x40, 'X'), with(0x58, '\x0C')}) {
    EXPECT_EQ(FindPeResource(image, 16, 1, 0x409), std::nullopt);
    EXPECT_TRUE(FindPeResources(image, 16).empty());
  }
  // only two data directories, so none for resources
  EXPECT_EQ(FindPeResource(with(0x58 + 92, 2), 16, 1, 0x409), std::nullopt);
  // resource directory address 0
  EXPECT_EQ(FindPeResource(with(0x58 + 96 + 17, 0), 16, 1, 0x409), std::nullopt);
}

// Data that would lie past the end of the file is no resource.
TEST(PeImageTest, PassesOverDataOutsideTheFile) {
  std::string image = ResourceImage({{16, 1, 0x407, "v"}, {16, 1, 0x409, "w"}});
  // The first data entry follows root (24), id (24) and language (32) directories: its size.
  image[0x200 + 80 + 6] = '\x7F';
  EXPECT_EQ(Listing(image, 16), Lines({"1/0409/1"}));
  EXPECT_EQ(FindPeResource(image, 16, 1, 0x407), std::nullopt);
}

void PutLe32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<char>(value >> (8 * i));
}

/// A directory at offset of count entries with ids from 1, all pointing at target.
void PutSameEntries(std::string& section, std::size_t offset, std::uint16_t count,
                    std::uint32_t target) {
  PutLe32(section, offset + 12, std::uint32_t{count} << 16);
  for (std::size_t i = 0; i < count; ++i) {
    PutLe32(section, offset + 16 + 8 * i, static_cast<std::uint32_t>(i + 1));
    PutLe32(section, offset + 20 + 8 * i, target);
  }
}

constexpr std::uint32_t kSubdirectory = 0x80000000;

// Directories that point back at the root end after three levels.
TEST(PeImageTest, EndsLoopingDirectories) {
  std::string section(16 + 8 * 1000, '\0');
  PutSameEntries(section, 0, 1000, kSubdirectory);
  const std::string image = test::PeImage(section);
  EXPECT_TRUE(FindPeResources(image, 1).empty());
  EXPECT_EQ(FindPeResource(image, 1, 1, 0x409), std::nullopt);
}

// Directories that share their entries list at most 4,096 resources.
TEST(PeImageTest, BoundsTheListing) {
  constexpr std::uint32_t kNames = 24;
  constexpr std::uint32_t kLanguages = kNames + 16 + 8 * 300;
  constexpr std::uint32_t kDataEntry = kLanguages + 16 + 8 * 300;
  std::string section(kDataEntry + 17, 'x');
  PutSameEntries(section, 0, 1, kSubdirectory | kNames);
  PutSameEntries(section, kNames, 300, kSubdirectory | kLanguages);
  PutSameEntries(section, kLanguages, 300, kDataEntry);
  PutLe32(section, kDataEntry, test::kTestSectionRva + kDataEntry + 16);
  PutLe32(section, kDataEntry + 4, 1);
  EXPECT_EQ(FindPeResources(test::PeImage(section), 1).size(), 4096u);
}

/// True when cut is whole, the same bytes with zeros where the file was cut off, as the
/// loader reads a section cut short.
bool IsWholeOrZeroFilled(const std::string& cut, const std::string& whole) {
  if (cut.size() != whole.size()) return false;
  for (std::size_t i = 0; i < cut.size(); ++i) {
    if (cut[i] != whole[i] && cut[i] != '\0') return false;
  }
  return true;
}

// A real file cut anywhere never reads past its end, and what it still finds is intact or
// zero-filled from the cut on.
TEST(PeImageTest, SurvivesTruncatedFiles) {
  for (const char* name : {"winevtkb_wrc_test.dll", "kdx_resources.dll"}) {
    const std::string full = PeFile(name);
    const std::string whole = *FindPeResource(full, kResourceTypeVersion, 1, 0x409);
    for (std::size_t size = 0; size < full.size(); ++size) {
      const std::string cut = full.substr(0, size);
      for (const PeResource& resource : FindPeResources(cut, kResourceTypeVersion)) {
        EXPECT_TRUE(IsWholeOrZeroFilled(resource.data, whole)) << name << " cut at " << size;
      }
      if (const auto data = FindPeResource(cut, kResourceTypeVersion, 1, 0x409)) {
        EXPECT_TRUE(IsWholeOrZeroFilled(*data, whole)) << name << " cut at " << size;
      }
    }
  }
}

}  // namespace
}  // namespace kdx
