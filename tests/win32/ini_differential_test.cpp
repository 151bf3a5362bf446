// IniFile against GetPrivateProfileStringA: tricky files written to a temporary folder, every
// list and value read with several buffer sizes both ways; bytes and counts must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "platform/formats/ini_file.h"
#include "platform/upcase.h"
#include "support/test_data.h"
#include "win32_test_support.h"

namespace kdx {
namespace {

using std::nullopt;
using testing::RunningUnderWine;
using testing::TempFolder;

template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

// The program's buffers and the edges around a few list lengths. Key lists never get fewer
// than 2 characters and values never 1: Wine writes before its buffer then.
const DWORD kSectionSizes[] = {16384, 29, 28, 16, 5, 3, 2, 1};
const DWORD kKeySizes[] = {16384, 16, 5, 3, 2};
const DWORD kValueSizes[] = {2048, 6, 5, 4, 3, 2};
// At most this many sections, and keys of each, are read, to keep long files quick.
constexpr std::size_t kNamesPerList = 12;

struct IniCase {
  const char* name;
  std::string bytes;
};

std::vector<IniCase> Cases() {
  std::string longList = "[many]\r\n";
  for (int i = 0; i < 2100; ++i)
    longList.append("key").append(std::to_string(10000 + i)).append("=1\r\n");
  std::string longSections;
  for (int i = 0; i < 1700; ++i) {
    longSections.append("[section").append(std::to_string(1000 + i)).append("]\r\n");
  }
  return {
      {"crlf", "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n"},
      {"cr", "[section1]\rname1=val1\rname2=\"val2\"\rname3\rname4=a\r[section2]\r"},
      {"lf", "[s]\nk=v\nj=w\n\n[t]\nx=1"},
      {"quotes",
       "[s]\r\nd=\"dq\"\r\ns='sq'\r\nm=\"mixed'\r\no=\"\r\nt=\"\"\r\nu=\"a\"b\"\r\nv= \" sp \" "
       "\r\nw='\r\nq=\"abcdef\"\r\n"},
      {"comments", "[s]\r\n;c=1\r\n#h=2\r\n noeq \r\nk=v\r\n=val\r\n=val2\r\n;\r\nz=1\r\n"},
      {"duplicates", "[s]\r\nk=1\r\nK=2\r\n[t]\r\na=1\r\n[S]\r\nk=3\r\nz=9\r\n"},
      {"blanks", "\t[ Sp \xC4 ]\r\n  Key = a=b \t\x1A\r\n[x]y]\r\n[open\r\nk=1\r\n[ ]\r\nq=2\r\n"},
      {"before_section", "pre=1\r\n[s]\r\nk=v\r\n"},
      {"empty", ""},
      {"no_line_end", "[s]\r\nk=v"},
      {"high_bytes", "[s\xE4]\r\nk\xFC=\x80\x81\x9D\xFF\r\n[\xC4\x9A]\r\nK=1\r\n"},
      {"nul_bytes", Bytes("[s]\r\nk=a \0b\r\nn\0m=1\r\nz=2\r\n[t\0u]\r\nq=1\r\n  \0x=3\r\n")},
      {"utf16le", Bytes("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xFC\0\x00\x01\x1D\xFF"
                        "1\0\r\0\n\0"
                        "\x00\x01=\0v\0")},
      {"long_value", std::string("[s]\r\nk=")
                         .append(3000, 'x')
                         .append("\r\nq=\"")
                         .append(2046, 'y')
                         .append("\"\r\n")},
      {"long_list", longList},
      {"long_sections", longSections},
      {"win10_win_ini", test::TestDataFile("ini/win10_default_win.ini")},
  };
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  ::CloseHandle(file);
}

std::string RealProfileString(const std::string& path, const std::optional<std::string>& section,
                              const std::optional<std::string>& key, const std::string& defaultText,
                              DWORD size) {
  std::string buffer(size + 2, '\x7F');
  const DWORD count =
      ::GetPrivateProfileStringA(section ? section->c_str() : nullptr, key ? key->c_str() : nullptr,
                                 defaultText.c_str(), buffer.data(), size, path.c_str());
  return buffer.substr(0, count);
}

// A name between a blank and the given blank, which the lookups must ignore.
std::string Padded(const std::string& name, const char* after) {
  return std::string(" ").append(name).append(after);
}

std::vector<std::string> NamesOf(const std::string& list) {
  std::vector<std::string> names;
  for (std::size_t at = 0; at < list.size();) {
    const std::size_t end = std::min(list.find('\0', at), list.size());
    names.push_back(list.substr(at, end - at));
    at = end + 1;
  }
  return names;
}

/// Reads one file both ways and reports every query whose answers differ.
class IniComparison {
 public:
  IniComparison(std::string path, const std::string& bytes) : path_(std::move(path)), ini_(bytes) {
    WriteFileBytes(path_, bytes);
  }

  void Compare(const std::optional<std::string>& section, const std::optional<std::string>& key,
               const std::string& defaultText, DWORD size) {
    EXPECT_EQ(RealProfileString(path_, section, key, defaultText, size),
              ini_.ProfileString(section, key, defaultText, size))
        << path_ << " [" << section.value_or("(none)") << "] " << key.value_or("(none)")
        << " default '" << defaultText << "' size " << size;
  }

  void CompareAll() {
    for (const DWORD size : kSectionSizes) Compare(nullopt, nullopt, "", size);
    std::vector<std::string> sections = NamesOf(ini_.ProfileString(nullopt, nullopt, "", 16384));
    sections.resize(std::min(sections.size(), kNamesPerList));
    sections.emplace_back("missing");
    for (const auto& section : sections) CompareSection(section);
  }

 private:
  void CompareSection(const std::string& section) {
    for (const DWORD size : kKeySizes) {
      Compare(section, nullopt, "", size);
      Compare(section, nullopt, "dflt  ", size);
    }
    std::vector<std::string> keys = NamesOf(ini_.ProfileString(section, nullopt, "", 16384));
    keys.resize(std::min(keys.size(), kNamesPerList));
    keys.emplace_back("missing");
    for (const auto& key : keys) {
      for (const DWORD size : kValueSizes) {
        Compare(section, key, "", size);
        Compare(Padded(UpcaseAnsi(section), "\t"), Padded(UpcaseAnsi(key), " "), "\"q\"  ", size);
      }
    }
  }

  std::string path_;
  IniFile ini_;
};

// Lists and values of every file agree with the profile functions, byte for byte.
TEST(IniDifferential, MatchesGetPrivateProfileString) {
  const TempFolder folder("ini-differential");
  for (const auto& [name, bytes] : Cases()) {
    IniComparison(folder.Path() + name + ".ini", bytes).CompareAll();
  }
}

// An empty section name finds a "[]" section on Windows; Wine finds the lines before the
// first section instead (kernel32/tests/profile.c marks it todo_wine).
TEST(IniDifferential, EmptySectionNameFindsBracketSection) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine reads the lines before the first section";
  const TempFolder folder("ini-empty-section");
  IniComparison ini(folder.Path() + "empty_section.ini",
                    "key=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\nk=v\r\n");
  ini.Compare("", "key", "", 2048);
  ini.Compare("", nullopt, "", 16384);
}

// Windows reads a file with a UTF-8 byte-order mark as ANSI, the mark spoiling the first
// section header; Wine decodes UTF-8.
TEST(IniDifferential, Utf8MarkIsAnsiText) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine decodes files with a UTF-8 byte-order mark";
  const TempFolder folder("ini-utf8");
  IniComparison(folder.Path() + "utf8.ini", "\xEF\xBB\xBF[s]\r\nk=v\r\n[t]\r\nk=\xC3\xBC\r\n")
      .CompareAll();
}

// Windows 10 reads a file with the big-endian UTF-16 mark as ANSI text.
TEST(IniDifferential, BigEndianFileIsAnsi) {
  if (RunningUnderWine()) GTEST_SKIP() << "Wine decodes big-endian UTF-16 files";
  const TempFolder folder("ini-utf16be");
  IniComparison(folder.Path() + "big.ini", Bytes("\xFE\xFF\0[\0s\0]\0\n\0k\0=\x20\xAC"))
      .CompareAll();
}

// The odd last byte of a UTF-16 file is no character.
TEST(IniDifferential, OddLastByteOfUtf16File) {
  if (RunningUnderWine()) {
    GTEST_SKIP() << "Wine reads the odd last byte together with the byte past its buffer";
  }
  const TempFolder folder("ini-utf16-odd");
  IniComparison(folder.Path() + "odd.ini", Bytes("\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0v\0x"))
      .CompareAll();
}

}  // namespace
}  // namespace kdx
