// The simulated machine's readers of version resources and message tables against Windows'
// own calls on the same files: GetFileVersionInfoSizeA, GetFileVersionInfoA, VerQueryValueA,
// and LoadLibraryExA(DONT_RESOLVE_DLL_REFERENCES) with FormatMessageA.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/formats/message_table.h"
#include "platform/formats/pe_image.h"
#include "platform/formats/version_info.h"
#include "support/pe_builder.h"
#include "support/test_machine.h"
#include "win32_test_support.h"

namespace kdx {
namespace {

using test::Utf16;
using test::VersionString;
using testing::TempFolder;

constexpr const char* kNames[] = {"ProductVersion", "FileVersion", "CompanyName"};

std::string DataPath(const std::string& name) {
  return (std::filesystem::path(KDX_SOURCE_DIR) / "tests/data/pe" / name).string();
}

/// The language the readers must take as the user's: Windows tries the thread's first.
LANGID UserLanguage() { return LANGIDFROMLCID(::GetThreadLocale()); }

/// The buffer GetFileVersionInfoA fills, zeroed before, or nothing when the size is 0.
std::optional<std::vector<char>> WindowsVersionBuffer(const std::string& path) {
  DWORD handle = 0;
  const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
  if (size == 0) return std::nullopt;
  std::vector<char> buffer(size, '\0');
  if (!::GetFileVersionInfoA(path.c_str(), 0, size, buffer.data())) return std::nullopt;
  return buffer;
}

/// VerQueryValueA on a fresh buffer: the value's bytes, or its text up to the NUL.
std::optional<std::string> WindowsQuery(const std::string& path, const std::string& subBlock,
                                        bool binary) {
  std::optional<std::vector<char>> buffer = WindowsVersionBuffer(path);
  if (!buffer) return std::nullopt;
  void* value = nullptr;
  UINT length = 0;
  if (!::VerQueryValueA(buffer->data(), subBlock.c_str(), &value, &length)) return std::nullopt;
  const auto offset = static_cast<std::size_t>(static_cast<char*>(value) - buffer->data());
  if (offset >= buffer->size()) return std::string();
  const std::string rest(buffer->data() + offset, buffer->size() - offset);
  return binary ? rest.substr(0, length) : rest.substr(0, rest.find('\0'));
}

/// The key of the first translation: language high and low byte, code page high and low byte.
std::string TranslationKey(const std::string& translation) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(translation[i]); };
  char key[16];
  std::snprintf(key, sizeof key, "%02X%02X%02X%02X", byte(1), byte(0), byte(3), byte(2));
  return key;
}

/// The program's four queries on one side: the key, then the three texts ("-" for failures).
template <typename Query>
std::vector<std::string> ProgramReads(Query query) {
  const std::optional<std::string> translation = query("\\VarFileInfo\\Translation", true);
  if (!translation || translation->size() < 4) return {"-"};
  std::vector<std::string> reads = {TranslationKey(*translation)};
  for (const char* name : kNames) {
    reads.push_back(query("\\StringFileInfo\\" + reads.front() + "\\" + name, false).value_or("-"));
  }
  return reads;
}

/// Asserts that the readers answer the program's version queries on a file as Windows does.
void ExpectSameVersion(const std::string& path) {
  const std::string image = test::ReadFileBytes(path);
  const std::optional<std::string> block = VersionInfoBlock(image, UserLanguage());
  const DWORD windowsSize = ::GetFileVersionInfoSizeA(path.c_str(), nullptr);
  EXPECT_EQ(block ? 2 * block->size() + 4 : 0, windowsSize) << path;
  const auto windows = [&](const std::string& subBlock, bool binary) {
    return WindowsQuery(path, subBlock, binary);
  };
  const auto readers = [&](const std::string& subBlock, bool) -> std::optional<std::string> {
    if (!block) return std::nullopt;
    return QueryVersionValue(*block, subBlock);
  };
  EXPECT_EQ(ProgramReads(readers), ProgramReads(windows)) << path;
}

/// FormatMessageA's text for id from the module, before inserts, or nothing.
std::optional<std::string> WindowsMessage(HMODULE module, DWORD id) {
  char* text = nullptr;
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
      module, id, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  if (length == 0) return std::nullopt;
  std::string message(text, length);
  ::LocalFree(text);
  return message;
}

/// Asserts that the readers find the same message texts as FormatMessageA for the ids.
void ExpectSameMessages(const std::string& path, const std::vector<DWORD>& ids) {
  const std::string image = test::ReadFileBytes(path);
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  EXPECT_EQ(module != nullptr, IsX86Image(image)) << path;
  for (const DWORD id : ids) {
    const std::optional<std::string> windows =
        module != nullptr ? WindowsMessage(module, id) : std::nullopt;
    EXPECT_EQ(FindMessage(image, id, UserLanguage()), windows) << path << " id " << std::hex << id;
  }
  if (module != nullptr) ::FreeLibrary(module);
}

constexpr DWORD kMessageIds[] = {0x0,   0x1,        0x2,        0x3,       0x4,
                                 0x3E8, 0xB0010001, 0xC0000064, 0xC0000065};

class DifferentialFile : public ::testing::TestWithParam<const char*> {};

// Every PE file of the test data answers the program's queries as Windows does.
TEST_P(DifferentialFile, VersionAndMessagesAsWindows) {
  ASSERT_EQ(LANGIDFROMLCID(::GetUserDefaultLCID()), UserLanguage())
      << "the readers take one language for thread and user";
  ExpectSameVersion(DataPath(GetParam()));
  ExpectSameMessages(DataPath(GetParam()),
                     std::vector<DWORD>(std::begin(kMessageIds), std::end(kMessageIds)));
}

INSTANTIATE_TEST_SUITE_P(PeFiles, DifferentialFile,
                         ::testing::Values("winevtkb_wrc_test.dll", "winevtkb_nowrc_test.dll",
                                           "plaso_wrc-test-wevt_template.dll", "plaso_test_pe.exe",
                                           "corkami_version_std.exe", "corkami_version_mini.exe",
                                           "corkami_version_cust.exe", "corkami_resourceloop.exe",
                                           "corkami_resource_string.exe", "kdx_resources.dll"));

/// The 16-bit (NE) files to hold the readers to: those of the test data, and every NE file of
/// the system folder (Wine's prefix holds its own 16-bit modules there as NE files).
std::vector<std::string> NeFiles() {
  std::vector<std::string> paths;
  const std::filesystem::path data = std::filesystem::path(KDX_SOURCE_DIR) / "tests/data/ne";
  for (const auto& entry : std::filesystem::directory_iterator(data)) {
    paths.push_back(entry.path().string());
  }
  char system[MAX_PATH] = {};
  ::GetSystemDirectoryA(system, MAX_PATH);
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(system, ec)) {
    if (!entry.is_regular_file(ec) || entry.file_size(ec) > (1U << 20)) continue;
    const std::string bytes = test::ReadFileBytes(entry.path().string());
    const std::size_t header =
        bytes.size() >= 0x40
            ? static_cast<unsigned char>(bytes[0x3C]) | static_cast<unsigned char>(bytes[0x3D]) << 8
            : 0;
    if (bytes.starts_with("MZ") && header + 2 <= bytes.size() &&
        bytes.compare(header, 2, "NE") == 0) {
      paths.push_back(entry.path().string());
    }
  }
  return paths;
}

// Every 16-bit file answers the program's queries as Windows does, and its buffer has the size
// GetFileVersionInfoSizeA gives.
TEST(DifferentialVersion, SixteenBitFilesAsWindows) {
  const std::vector<std::string> paths = NeFiles();
  ASSERT_GE(paths.size(), 3u);
  int withVersion = 0;
  for (const std::string& path : paths) {
    const std::string image = test::ReadFileBytes(path);
    const std::optional<std::string> block = VersionInfoBlock(image, UserLanguage());
    const DWORD windowsSize = ::GetFileVersionInfoSizeA(path.c_str(), nullptr);
    if (windowsSize <= 0x20000) EXPECT_EQ(block ? block->size() : 0, windowsSize) << path;
    const auto windows = [&](const std::string& subBlock, bool binary) {
      return WindowsQuery(path, subBlock, binary);
    };
    const auto readers = [&](const std::string& subBlock, bool) -> std::optional<std::string> {
      if (!block) return std::nullopt;
      return QueryVersionValue(*block, subBlock);
    };
    const std::vector<std::string> reads = ProgramReads(windows);
    EXPECT_EQ(ProgramReads(readers), reads) << path;
    withVersion += reads.size() > 1 ? 1 : 0;
  }
  EXPECT_GE(withVersion, 3) << "of " << paths.size() << " NE files";
}

/// Writes bytes as a file in folder and gives its path.
std::string WriteImage(const TempFolder& folder, const std::string& name,
                       const std::string& bytes) {
  std::string path = folder.Path() + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

/// The UTF-16 form of an ASCII text.
std::u16string Ascii16(const std::string& text) { return std::u16string(text.begin(), text.end()); }

/// "stem<n>.dll", the name of the nth image of a test.
std::string NumberedName(const char* stem, std::size_t n) {
  char name[64];
  std::snprintf(name, sizeof name, "%s%u.dll", stem, static_cast<unsigned>(n));
  return name;
}

// Keys, lengths and types of hand-made blocks read as VerQueryValueA reads them.
TEST(DifferentialVersion, QueriesAsVerQueryValue) {
  TempFolder folder("pe-version");
  const std::string block = test::OddVersionBlock();
  const std::string path =
      WriteImage(folder, "kdx_version_edges.dll", test::ResourceImage({{16, 1, 0x0407, block}}));
  ExpectSameVersion(path);
  struct Query {
    const char* subBlock;
    bool binary;
  };
  for (const Query& q : std::vector<Query>{{"\\StringFileInfo\\040704E4\\NoNul", false},
                                           {"\\StringFileInfo\\040704E4\\ByteLength", false},
                                           {"\\StringFileInfo\\040704E4\\Empty", false},
                                           {"\\StringFileInfo\\040704E4\\Twice", false},
                                           {"\\StringFileInfo\\040704E4\\mixed", false},
                                           {"\\StringFileInfo\\040704E4\\\xE4\xF6\xFC", false},
                                           {"\\StringFileInfo\\040704E4\\\xC4\xD6\xDC", false},
                                           {"\\StringFileInfo\\040704E4\\Binary", true},
                                           {"\\StringFileInfo\\040704E4\\Euro\x80", false},
                                           {"\\StringFileInfo\\040704E4\\Dottedi", false},
                                           {"\\\\VarFileInfo\\\\\\Translation\\", true},
                                           {"", true},
                                           {"\\StringFileInfo\\040704E4\\Missing", false}}) {
    EXPECT_EQ(QueryVersionValue(block, q.subBlock), WindowsQuery(path, q.subBlock, q.binary))
        << q.subBlock;
  }
}

// A root length that ends inside a value: the mark lands in it and the conversion has less
// room than the value.
TEST(DifferentialVersion, RootLengthInsideAValue) {
  TempFolder folder("pe-root-length");
  const std::string intact = test::VersionBlock({VersionString(u"CompanyName", u"late value")});
  const std::size_t value = intact.find(Utf16(u"late"));
  for (const std::size_t rootLength : {value, value + 2, value + 4}) {
    const std::string block = test::WithRootLength(intact, rootLength);
    const std::string path = WriteImage(folder, NumberedName("kdx_root", rootLength),
                                        test::ResourceImage({{16, 1, 0x0407, block}}));
    const std::string subBlock = "\\StringFileInfo\\040704E4\\CompanyName";
    EXPECT_EQ(QueryVersionValue(block, subBlock), WindowsQuery(path, subBlock, false))
        << "root length " << rootLength;
  }
}

// Windows converts characters 1252 lacks by best fit (U+0100 gives 'A'); the readers give '?'
// as every conversion of the program does.
TEST(DifferentialVersion, BestFitIsNotCopied) {
  TempFolder folder("pe-best-fit");
  const std::string block =
      test::VersionBlock({VersionString(u"Wide", u"A\u0100B\u2260C\U0001F600D")});
  const std::string table =
      test::MessageTable({{1, {{Utf16(u"A\u0100B\u2260C\U0001F600D") + std::string(2, '\0'), 1}}}});
  const std::string path =
      WriteImage(folder, "kdx_best_fit.dll",
                 test::ResourceImage({{11, 1, 0x0409, table}, {16, 1, 0x0407, block}}));
  const std::string subBlock = "\\StringFileInfo\\040704E4\\Wide";
  EXPECT_EQ(WindowsQuery(path, subBlock, false), "AAB?C??D");
  EXPECT_EQ(QueryVersionValue(block, subBlock), "A?B?C??D");
  HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(WindowsMessage(module, 1), "AAB?C??D");
  ::FreeLibrary(module);
  EXPECT_EQ(FindMessage(test::ReadFileBytes(path), 1, UserLanguage()), "A?B?C??D");
}

// Entries of a hand-made table read as FormatMessageA reads them: flags, missing NULs,
// lengths, bytes 1252 leaves undefined, surrogates, blocks.
TEST(DifferentialMessages, EntriesAsFormatMessage) {
  TempFolder folder("pe-messages");
  const std::string table = test::OddMessageTable();
  ExpectSameMessages(
      WriteImage(folder, "kdx_message_edges.dll", test::ResourceImage({{11, 1, 0x0409, table}})),
      {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 100, 101});
}

// Tables whose block count, entries or lengths run past their data, asked for the ids that
// Windows finds before it runs off: for the others it reads on through memory and faults,
// where the readers give nothing.
TEST(DifferentialMessages, TablesLeavingTheirData) {
  TempFolder folder("pe-broken-tables");
  const std::string one = test::MessageTable({{1, {{std::string("a\0\0\0", 4), 0}}}});
  std::string manyBlocks = one;
  manyBlocks[3] = '\x7F';
  std::string farEntries = one;
  farEntries[12] = '\x70';
  std::string longSkip = test::MessageTable({{1, {{std::string("a\0\0\0", 4), 0, 0x7000}}}});
  longSkip[8] = '\x10';
  std::size_t n = 0;
  for (const std::string& table : {manyBlocks, farEntries, longSkip, std::string("\x01", 1)}) {
    ExpectSameMessages(WriteImage(folder, NumberedName("kdx_table", n++),
                                  test::ResourceImage({{11, 1, 0x0409, table}})),
                       {1});
  }
}

// Only x86 PE32 images load as modules; PE32+ images still give their version.
TEST(DifferentialMachines, LoadsOnlyX86Modules) {
  TempFolder folder("pe-machines");
  const std::vector<test::TestResource> resources = {
      {11, 1, 0x0409, test::MessageTable({{1, {{std::string("text\0\0\0\0", 8), 0}}}})},
      {16, 1, 0x0409, test::VersionBlock({VersionString(u"CompanyName", u"Kelmo")})}};
  std::size_t n = 0;
  for (const test::TestImageOptions& options :
       {test::TestImageOptions{}, test::TestImageOptions{.pe32Plus = true, .machine = 0x8664},
        test::TestImageOptions{.machine = 0x8664},
        test::TestImageOptions{.pe32Plus = true, .machine = 0x14C}}) {
    const std::string path = WriteImage(folder, NumberedName("kdx_machine", n++),
                                        test::ResourceImage(resources, options));
    ExpectSameMessages(path, {1});
    ExpectSameVersion(path);
  }
}

// The loader's language order picks the same block and table as Windows, also from an
// unsorted directory.
TEST(DifferentialLanguage, PicksAsTheLoader) {
  TempFolder folder("pe-language");
  const std::vector<std::vector<std::uint16_t>> languageSets = {
      {0x0407, 0x0409}, {0x0409, 0x040C}, {0x0007, 0x0409},        {0x0409, 0x0807},
      {0x0000, 0x0407}, {0x0807, 0x0C07}, {0x0409, 0x040C, 0x0407}};
  std::size_t n = 0;
  for (const auto& languages : languageSets) {
    std::vector<test::TestResource> resources;
    for (const std::uint16_t language : languages) {
      char text[16];
      std::snprintf(text, sizeof text, "lang %04X", language);
      resources.push_back(
          {11, 1, language, test::MessageTable({{1, {{std::string(text) + '\0', 0}}}})});
    }
    for (const std::uint16_t language : languages) {
      char text[16];
      std::snprintf(text, sizeof text, "%04X", language);
      resources.push_back(
          {16, 1, language, test::VersionBlock({VersionString(u"CompanyName", Ascii16(text))})});
    }
    const std::string path =
        WriteImage(folder, NumberedName("kdx_languages", n++), test::ResourceImage(resources));
    ExpectSameMessages(path, {1});
    ExpectSameVersion(path);
  }
}

}  // namespace
}  // namespace kdx
