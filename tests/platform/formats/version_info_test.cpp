#include "platform/formats/version_info.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/pe_builder.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::Utf16;
using test::VersionString;

std::string PeFile(const std::string& name) {
  return test::ReadFileBytes(std::filesystem::path(KDX_SOURCE_DIR) / "tests/data/pe" / name);
}

/// What the program reads from a block: the Translation value and the three texts under the
/// key of its first entry ("-" for a failed query).
std::vector<std::string> ProgramReads(std::string_view block) {
  const std::optional<std::string> translation =
      QueryVersionValue(block, "\\VarFileInfo\\Translation");
  if (!translation || translation->size() < 4) return {"-"};
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>((*translation)[i]); };
  char key[16];
  std::snprintf(key, sizeof key, "%02X%02X%02X%02X", byte(1), byte(0), byte(3), byte(2));
  std::vector<std::string> reads = {key};
  for (const char* name : {"ProductVersion", "FileVersion", "CompanyName"}) {
    const auto text =
        QueryVersionValue(block, std::string("\\StringFileInfo\\") + key + "\\" + name);
    reads.push_back(text.value_or("-"));
  }
  return reads;
}

using Reads = std::vector<std::string>;

struct FileCase {
  const char* file;
  std::size_t blockSize;
  Reads reads;
};

// Real files give what GetFileVersionInfoA and VerQueryValueA give under Wine.
TEST(VersionInfoTest, ReadsRealFilesAsWindows) {
  const std::vector<FileCase> cases = {
      // The block's key "040904e4" is found under the program's "040904E4".
      {"winevtkb_wrc_test.dll", 764, {"040904E4", "1.0.0", "1.0.0", "-"}},
      {"kdx_resources.dll",
       548,
       {"040704E4", "2.9", "2.9.2.0", "Kelmo Etiketten GmbH, D\xFCsseldorf"}},
      // VarFileInfo lies past the section's raw data and reads as zeros.
      {"corkami_version_std.exe", 1060, {"-"}},
      {"corkami_version_mini.exe", 188, {"-"}},
      {"corkami_version_cust.exe", 92, {"-"}},
  };
  for (const FileCase& c : cases) {
    const std::optional<std::string> block = VersionInfoBlock(PeFile(c.file), 0x0409);
    ASSERT_TRUE(block) << c.file;
    EXPECT_EQ(block->size(), c.blockSize) << c.file;
    EXPECT_EQ(ProgramReads(*block), c.reads) << c.file;
  }
}

// Files without a version resource have no block (GetFileVersionInfoSizeA gives 0).
TEST(VersionInfoTest, NoBlockWithoutVersionResource) {
  for (const char* file :
       {"winevtkb_nowrc_test.dll", "plaso_test_pe.exe", "plaso_wrc-test-wevt_template.dll",
        "corkami_resourceloop.exe", "corkami_resource_string.exe"}) {
    EXPECT_EQ(VersionInfoBlock(PeFile(file), 0x0409), std::nullopt) << file;
  }
  EXPECT_EQ(VersionInfoBlock("", 0x0409), std::nullopt);
}

// Of two languages the loader's order picks one: the user's, else English (US).
TEST(VersionInfoTest, TakesTheBlockOfTheLoadersLanguage) {
  const std::string image =
      test::ResourceImage({{16, 1, 0x0407, "german"}, {16, 1, 0x0409, "english"}});
  EXPECT_EQ(VersionInfoBlock(image, 0x0407), "german");
  EXPECT_EQ(VersionInfoBlock(image, 0x040C), "english");
}

struct QueryCase {
  const char* name;  // under \StringFileInfo\040704E4
  std::optional<std::string> expected;
};

// Keys, value lengths and types as VerQueryValueA takes them under Wine.
TEST(VersionInfoTest, QueriesStringsAsVerQueryValue) {
  const std::string block = test::OddVersionBlock();
  const std::vector<QueryCase> cases = {
      // a value without NUL ends where its length ends
      {"NoNul", "abc"},
      // a length in bytes stops at the value's own NUL
      {"ByteLength", "abc"},
      // a value of length 0 converts nothing and reads ""
      {"Empty", ""},
      // the first of two equal keys wins
      {"Twice", "first"},
      // ASCII letters compare without case
      {"mixed", "mixed case"},
      // other letters compare with case
      {"\xE4\xF6\xFC", std::nullopt},
      {"\xC4\xD6\xDC", "umlaut key"},
      // a binary value comes as its bytes
      {"Binary", Utf16(u"binary") + std::string(2, '\0')},
      // the key is compared in Unicode: 0x80 is the euro sign
      {"Euro\x80", "euro key"},
      // U+0130 is no 'i'
      {"Dottedi", std::nullopt},
      // one byte per UTF-16 unit, '?' for what 1252 lacks (Windows best-fits U+0100 to 'A')
      {"Wide", "A?B?C??D"},
      {"Missing", std::nullopt},
  };
  for (const QueryCase& c : cases) {
    EXPECT_EQ(QueryVersionValue(block, std::string("\\StringFileInfo\\040704E4\\") + c.name),
              c.expected)
        << c.name;
  }
}

// Empty parts of the path are skipped; the empty path and "\" name the root's fixed info.
TEST(VersionInfoTest, SkipsEmptyPathParts) {
  const std::string block = test::VersionBlock({VersionString(u"FileVersion", u"1.0")});
  EXPECT_EQ(QueryVersionValue(block, "\\\\VarFileInfo\\\\\\Translation\\"),
            std::string("\x07\x04\xE4\x04", 4));
  EXPECT_EQ(QueryVersionValue(block, "StringFileInfo\\040704e4\\FileVersion"), "1.0");
  EXPECT_EQ(QueryVersionValue(block, "\\"), test::FixedFileInfo());
  EXPECT_EQ(QueryVersionValue(block, ""), test::FixedFileInfo());
}

// A root length inside a value: GetFileVersionInfoA's mark lands in the value and the
// conversion has room for only the units before the root's length.
TEST(VersionInfoTest, RootLengthInsideAValue) {
  const std::string intact = test::VersionBlock({VersionString(u"CompanyName", u"late value")});
  const std::size_t value = intact.find(Utf16(u"late"));
  const std::vector<std::pair<std::size_t, std::string>> cases = {
      {value, ""}, {value + 2, "l?"}, {value + 4, "la??"}};
  for (const auto& [rootLength, expected] : cases) {
    EXPECT_EQ(QueryVersionValue(test::WithRootLength(intact, rootLength),
                                "\\StringFileInfo\\040704E4\\CompanyName"),
              expected)
        << "root length " << rootLength;
  }
}

// Blocks too short to hold a node, and 16-bit blocks, answer nothing.
TEST(VersionInfoTest, RefusesShortBlocksAndReadsSixteenBitOnes) {
  for (const std::string& block : {std::string(), std::string("\x10", 1), std::string(5, '\0')}) {
    EXPECT_EQ(QueryVersionValue(block, "\\VarFileInfo\\Translation"), std::nullopt);
  }
  // A 16-bit block has its key's first ANSI character where the 32-bit type lies.
  const std::string sixteenBit =
      std::string("\x20\x00\x00\x00", 4) + "VS_VERSION_INFO" + std::string(13, '\0');
  EXPECT_EQ(QueryVersionValue(sixteenBit, "\\"), "");
  EXPECT_EQ(QueryVersionValue(sixteenBit, "\\VarFileInfo"), std::nullopt);
}

// 16-bit (NE) files, as Wine makes its own (tests/data/ne): the version resource from the NE
// resource table in a buffer of the size Windows gives it, read with 8-bit keys. Each is held
// to the real calls by the differential test under Wine.
TEST(VersionInfoTest, ReadsSixteenBitFiles) {
  const auto ne = [](const char* name) {
    return test::ReadFileBytes(std::filesystem::path(KDX_SOURCE_DIR) / "tests/data/ne" / name);
  };
  const struct {
    const char* name;
    std::vector<std::string> reads;
  } kCases[] = {
      {"mouse.drv", {"040904E4", "1.0", "10.0.0.0", "Microsoft Corporation"}},
      {"ole2nls.dll", {"040904E4", "1.0", "2.10.3050.1", "Microsoft Corporation"}},
      {"shell.dll", {"040904E4", "1.0", "4.0", "Microsoft Corporation"}},
  };
  for (const auto& c : kCases) {
    const std::optional<std::string> block = VersionInfoBlock(ne(c.name), 0x0407);
    ASSERT_TRUE(block) << c.name;
    EXPECT_EQ(ProgramReads(*block), c.reads) << c.name;
  }
  // a PE file's readers find nothing in an NE file cut short of its resource
  EXPECT_EQ(VersionInfoBlock(ne("mouse.drv").substr(0, 0x80), 0x0407), std::nullopt);
}

// A block cut anywhere reads no further than its buffer and never yields more text than the
// whole block has.
TEST(VersionInfoTest, SurvivesCutBlocks) {
  const std::string whole = *VersionInfoBlock(PeFile("kdx_resources.dll"), 0x0407);
  const std::string company = "\\StringFileInfo\\040704E4\\CompanyName";
  const std::size_t wholeSize = QueryVersionValue(whole, company)->size();
  for (std::size_t size = 0; size <= whole.size(); ++size) {
    const std::string cut = whole.substr(0, size);
    ProgramReads(cut);
    if (const auto text = QueryVersionValue(cut, company)) {
      EXPECT_LE(text->size(), wholeSize) << "cut at " << size;
    }
  }
}

}  // namespace
}  // namespace kdx
