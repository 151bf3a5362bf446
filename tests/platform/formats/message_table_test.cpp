#include "platform/formats/message_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/pe_builder.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::MessageTable;

std::string PeFile(const std::string& name) {
  return test::ReadFileBytes(std::filesystem::path(KDX_SOURCE_DIR) / "tests/data/pe" / name);
}

struct MessageCase {
  const char* file;
  std::uint16_t userLanguage;
  std::uint32_t id;
  std::optional<std::string> expected;
};

// Real files give the texts FormatMessageA gives under Wine, before inserts.
TEST(MessageTableTest, ReadsRealFilesAsFormatMessage) {
  const std::vector<MessageCase> cases = {
      {"winevtkb_wrc_test.dll", 0x0409, 0x1, "Category\r\n"},
      {"winevtkb_wrc_test.dll", 0x0409, 0x2, "My messgage with parameters %1 %2\r\n"},
      {"winevtkb_wrc_test.dll", 0x0409, 0x3E8, "My message without parameters\r\n"},
      {"winevtkb_wrc_test.dll", 0x0409, 0x3, std::nullopt},
      {"winevtkb_wrc_test.dll", 0x0409, 0x0, std::nullopt},
      // the only language is taken whatever the user's
      {"winevtkb_wrc_test.dll", 0x0407, 0x1, "Category\r\n"},
      {"plaso_wrc-test-wevt_template.dll", 0x0409, 0xB0010001, "A test value\r\n"},
      {"plaso_wrc-test-wevt_template.dll", 0x0409, 0x1, std::nullopt},
      {"kdx_resources.dll", 0x0407, 0x1, "Kategorie\r\n"},
      {"kdx_resources.dll", 0x0407, 0x2, "Meldung mit den Parametern %1 und %2\r\n"},
      {"kdx_resources.dll", 0x0407, 0x3,
       "Gr\xFC\xDF"
       "e aus D\xFCsseldorf\r\n"},
      {"kdx_resources.dll", 0x0407, 0xC0000064,
       "Fehler: \xC4nderung f\xFCr 5 \x80 fehlgeschlagen.\r\n"},
      // a message of the other language only is missing
      {"kdx_resources.dll", 0x0407, 0x4, std::nullopt},
      {"kdx_resources.dll", 0x0409, 0x4, "Only in English\r\n"},
      {"kdx_resources.dll", 0x0409, 0xC0000064, std::nullopt},
      // French users get English (US)
      {"kdx_resources.dll", 0x040C, 0x2, "Message with parameters %1 and %2\r\n"},
      {"winevtkb_nowrc_test.dll", 0x0409, 0x1, std::nullopt},
      {"corkami_version_std.exe", 0x0409, 0x1, std::nullopt},
  };
  for (const MessageCase& c : cases) {
    EXPECT_EQ(FindMessage(PeFile(c.file), c.id, c.userLanguage), c.expected)
        << c.file << " id " << std::hex << c.id;
  }
}

// The raw table that the resource parsers' authors extracted reads as well inside an image.
TEST(MessageTableTest, ReadsRawTable) {
  const std::string image =
      test::ResourceImage({{11, 1, 0x0409, PeFile("libwrc_message_table_resource.1")}});
  EXPECT_EQ(FindMessage(image, 0x2, 0x0409), "My message with parameters %1 %2.\r\n");
  EXPECT_EQ(FindMessage(image, 0x3E8, 0x0409), "My message without parameters\r\n");
  EXPECT_EQ(FindMessage(image, 0x3E7, 0x0409), std::nullopt);
}

// Entries as Wine's FormatMessageA takes them: flags, missing NULs, lengths and blocks.
TEST(MessageTableTest, ReadsEntriesAsFormatMessage) {
  const std::string image = test::ResourceImage({{11, 1, 0x0409, test::OddMessageTable()}});
  const std::vector<std::pair<std::uint32_t, std::optional<std::string>>> cases = {
      {1, "ansi"},
      {2, "utf16"},
      // flag 2 (UTF-8 on newer Windows) is not Unicode: the bytes come as they are
      {3,
       "utf8 thr\xC3\xA9"
       "e"},
      // any flags with bit 0 set mean UTF-16
      {4, "flags 3"},
      // a text without NUL runs on into the next entry's length field
      {5, "nonul\x08"},
      {6, "six"},
      // bytes 1252 leaves undefined pass through
      {7, "\x81\x8D\x8F\x90\x9D\xFF"},
      // each UTF-16 unit is one byte: a surrogate pair gives "??"
      {8, "sur??"},
      // an entry of length 0 holds the walk: the ids after it all read it
      {9, "zero"},
      {10, "zero"},
      {11, std::nullopt},
      {100, "hundred"},
      {101, std::nullopt},
  };
  for (const auto& [id, expected] : cases) {
    EXPECT_EQ(FindMessage(image, id, 0x0409), expected) << "id " << id;
  }
}

// Only the table with resource id 1 counts.
TEST(MessageTableTest, ReadsOnlyTableOne) {
  const std::string table = MessageTable({{1, {{std::string("text\0\0\0\0", 8), 0}}}});
  EXPECT_EQ(FindMessage(test::ResourceImage({{11, 2, 0x0409, table}}), 1, 0x0409), std::nullopt);
}

// A 32-bit program cannot load PE32+ images or other machines' images.
TEST(MessageTableTest, NeedsAnX86Image) {
  const std::vector<test::TestResource> resources = {
      {11, 1, 0x0409, MessageTable({{1, {{std::string("text\0\0\0\0", 8), 0}}}})}};
  EXPECT_EQ(FindMessage(test::ResourceImage(resources), 1, 0x0409), "text");
  EXPECT_EQ(
      FindMessage(test::ResourceImage(resources, {.pe32Plus = true, .machine = 0x8664}), 1, 0x0409),
      std::nullopt);
  EXPECT_EQ(FindMessage(test::ResourceImage(resources, {.machine = 0x8664}), 1, 0x0409),
            std::nullopt);
}

// Tables whose block count, entries or lengths run past their data: what lies inside is
// read, the rest is nothing (where Windows reads on through memory).
TEST(MessageTableTest, StopsAtTheEndOfTheData) {
  const std::string one = MessageTable({{1, {{std::string("a\0\0\0", 4), 0}}}});
  std::string manyBlocks = one;
  manyBlocks[3] = '\x7F';  // 0x7F000001 blocks, the first of them holding id 1
  std::string farEntries = one;
  farEntries[12] = '\x70';  // entries at 0x70, past the data
  std::string longSkip = MessageTable({{1, {{std::string("a\0\0\0", 4), 0, 0x7000}}}});
  longSkip[8] = '\x10';  // ids 1 to 0x10, the first entry 0x7000 bytes long
  const auto find = [](const std::string& table, std::uint32_t id) {
    return FindMessage(test::ResourceImage({{11, 1, 0x0409, table}}), id, 0x0409);
  };
  EXPECT_EQ(find(manyBlocks, 1), "a");
  EXPECT_EQ(find(manyBlocks, 2), std::nullopt);
  EXPECT_EQ(find(farEntries, 1), std::nullopt);
  EXPECT_EQ(find(longSkip, 1), "a");
  EXPECT_EQ(find(longSkip, 2), std::nullopt);
  EXPECT_EQ(find(std::string("\x01", 1), 1), std::nullopt);
}

// A real file cut anywhere never reads past its end.
TEST(MessageTableTest, SurvivesTruncatedFiles) {
  const std::string full = PeFile("kdx_resources.dll");
  const std::size_t wholeSize = FindMessage(full, 0x3, 0x0407)->size();
  for (std::size_t size = 0; size < full.size(); ++size) {
    if (const std::optional<std::string> text = FindMessage(full.substr(0, size), 0x3, 0x0407)) {
      EXPECT_LE(text->size(), wholeSize) << "cut at " << size;
    }
  }
}

}  // namespace
}  // namespace kdx
