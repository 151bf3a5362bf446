#include "platform/formats/ini_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <string>

namespace kdx {
namespace {

using std::nullopt;

/// The bytes of a literal, embedded NULs included.
template <std::size_t N>
std::string Bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

std::string Sections(const std::string& file, std::size_t size = 16384) {
  return IniFile(file).ProfileString(nullopt, nullopt, "", size);
}

std::string Keys(const std::string& file, const std::string& section,
                 const std::string& defaultText = "", std::size_t size = 16384) {
  return IniFile(file).ProfileString(section, nullopt, defaultText, size);
}

std::string Value(const std::string& file, const std::string& section, const std::string& key,
                  const std::string& defaultText = "", std::size_t size = 2048) {
  return IniFile(file).ProfileString(section, key, defaultText, size);
}

// The file of Wine's profile tests, in CR LF and CR-only form.
constexpr char kWineTestFile[] =
    "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n";

// Names come in file order, a duplicate section twice, a nameless one not at all.
TEST(IniFileTest, ListsSectionsInFileOrder) {
  EXPECT_EQ(Sections("[B]\r\nx=1\r\n[]\r\n[ a ]\r\n[b]\r\n"), Bytes("B\0a\0b\0"));
}

// A list that does not fit, or just fits, is cut to size - 2 characters.
TEST(IniFileTest, CutsSectionListToBuffer) {
  const std::string file = "[section1]\r\n[section2]\r\n[section3]\r\n";
  EXPECT_EQ(Sections(file, 29), Bytes("section1\0section2\0section3\0"));
  EXPECT_EQ(Sections(file, 28), Bytes("section1\0section2\0section3"));
  EXPECT_EQ(Sections(file, 27), Bytes("section1\0section2\0section"));
  EXPECT_EQ(Sections(file, 16), Bytes("section1\0secti"));
  EXPECT_EQ(Sections(file, 2), "");
  EXPECT_EQ(Sections(file, 0), "");
}

// Keys without '=' and comment lines stay out of the key list; it is cut like the section list.
TEST(IniFileTest, ListsKeysWithValues) {
  EXPECT_EQ(Keys(kWineTestFile, "SECTION1"), Bytes("name1\0name2\0name4\0"));
  EXPECT_EQ(Keys(kWineTestFile, "section1", "", 16), Bytes("name1\0name2\0na"));
  EXPECT_EQ(Keys("[s]\r\n;c=1\r\n#h=2\r\n", "s"), Bytes("#h\0"));
}

// A section without keys, or a missing one, gives the default text as it is.
TEST(IniFileTest, KeyListFallsBackToDefault) {
  EXPECT_EQ(Keys(kWineTestFile, "section2", "none  "), "none  ");
  EXPECT_EQ(Keys(kWineTestFile, "missing", "\"q\""), "q");
}

// A line "=value" is a key with an empty name, which ends the list for its reader.
TEST(IniFileTest, ListsEmptyKeyName) {
  EXPECT_EQ(Keys("[s]\r\nk=1\r\n=a\r\n=b\r\nj=2\r\n", "s"), Bytes("k\0\0j\0"));
}

// One pair of enclosing quotes, double or single, leaves a value; blanks inside them stay.
TEST(IniFileTest, StripsEnclosingQuotes) {
  const std::string file =
      "[s]\r\nd=\"dq\"\r\ns='sq'\r\nm=\"mixed'\r\no=\"\r\nt=\"\"\r\nu=\"a\"b\"\r\nv= \" sp \" \r\n";
  const std::pair<const char*, const char*> cases[] = {{"d", "dq"},  {"s", "sq"}, {"m", "\"mixed'"},
                                                       {"o", "\""},  {"t", ""},   {"u", "a\"b"},
                                                       {"v", " sp "}};
  for (const auto& [key, value] : cases) EXPECT_EQ(Value(file, "s", key), value) << key;
}

// A value is cut to size - 1 characters; a quoted one that just fills the buffer loses one more.
TEST(IniFileTest, CutsValueToBuffer) {
  EXPECT_EQ(Value(kWineTestFile, "section1", "name1", "", 4), "val");
  EXPECT_EQ(Value(kWineTestFile, "section1", "name1", "", 1), "");
  EXPECT_EQ(Value(kWineTestFile, "section1", "name2", "", 5), "val");
  EXPECT_EQ(Value(kWineTestFile, "section1", "name2", "", 6), "val2");
  EXPECT_EQ(Value("[s]\r\nk=" + std::string(3000, 'x') + "\r\n", "s", "k"), std::string(2047, 'x'));
}

// Names compare without case of A to Z and without surrounding blanks; blanks, tabs and ^Z
// around values go.
TEST(IniFileTest, MatchesNamesLoosely) {
  const std::string file = "\t[ Sp \xC4 ]\r\n  Key = a=b \t\x1A\r\n";
  EXPECT_EQ(Value(file, " sp \xC4", "KEY "), "a=b");
  EXPECT_EQ(Value(file, "sp \xE4", "key", "none"), "none");
  EXPECT_EQ(Sections(file), Bytes("Sp \xC4\0"));
  EXPECT_EQ(Keys(file, "Sp \xC4"), Bytes("Key\0"));
}

// The first of duplicate keys wins, and only the first of duplicate sections is searched.
TEST(IniFileTest, FirstDuplicateWins) {
  const std::string file = "[s]\r\nk=1\r\nK=2\r\n[S]\r\nk=3\r\nz=9\r\n";
  EXPECT_EQ(Value(file, "s", "k"), "1");
  EXPECT_EQ(Value(file, "s", "z", "none"), "none");
  EXPECT_EQ(Keys(file, "S"), Bytes("k\0K\0"));
}

// Lines before the first section are out of reach; an empty name finds "[]".
TEST(IniFileTest, IgnoresKeysBeforeFirstSection) {
  const std::string file = "pre=1\r\n[]\r\nkey=e\r\n[s]\r\nk=v\r\n";
  EXPECT_EQ(Value(file, "", "pre", "D"), "D");
  EXPECT_EQ(Value(file, "", "key"), "e");
  EXPECT_EQ(Sections(file), Bytes("s\0"));
}

// CR LF, CR and LF end lines alike, and the last line needs no line end.
TEST(IniFileTest, ReadsEveryLineEnd) {
  for (const char* file :
       {"[s]\r\nk=v\r\n[t]\r\n", "[s]\rk=v\r[t]\r", "[s]\nk=v\n[t]", "[s]\n\n\rk=v\r\n[t]"}) {
    EXPECT_EQ(Sections(file), Bytes("s\0t\0")) << file;
    EXPECT_EQ(Value(file, "s", "k"), "v") << file;
  }
}

// A line "[" without ']' is a key line; a header runs to the line's last ']'.
TEST(IniFileTest, ReadsSectionHeaders) {
  EXPECT_EQ(Sections("[x]y]\r\n[open\r\nk=1\r\n"), Bytes("x]y\0"));
  EXPECT_EQ(Keys("[x]y]\r\n[open\r\nk=1\r\n", "x]y"), Bytes("k\0"));
}

// A missing or empty file has no sections; values read as the default less trailing spaces.
TEST(IniFileTest, EmptyFileGivesDefaults) {
  EXPECT_EQ(Sections(""), "");
  EXPECT_EQ(Value("", "s", "k", "dflt  "), "dflt");
  EXPECT_EQ(Value("", "s", "k", "   "), " ");
  EXPECT_EQ(Value("", "s", "k", "'q'"), "q");
  EXPECT_EQ(Keys("", "s"), "");
}

// A NUL byte ends the name or value it stands in; the line goes on.
TEST(IniFileTest, NulEndsNamesAndValues) {
  const std::string file = Bytes("[s]\r\nk=a \0b\r\nn\0m=1\r\n[t\0u]\r\nq=2\r\n");
  EXPECT_EQ(Value(file, "s", "k"), "a ");
  EXPECT_EQ(Value(file, "s", "n"), "1");
  EXPECT_EQ(Keys(file, "s"), Bytes("k\0n\0"));
  EXPECT_EQ(Sections(file), Bytes("s\0t\0"));
}

// A UTF-16LE file is read as such and its text handed out in 1252, best fit; a big-endian
// one is ANSI text full of NULs.
TEST(IniFileTest, ReadsUtf16Files) {
  const std::string little = Bytes(
      "\xFF\xFE[\0s\0]\0\r\0\n\0k\0=\0\xFC\0\x00\x01\x1D\xFF"
      "1\0");
  EXPECT_EQ(Value(little, "s", "k"),
            "\xFC"
            "A=1");
  const std::string big = Bytes("\xFE\xFF\0[\0s\0]\0\n\0k\0=\x20\xAC");
  EXPECT_EQ(Sections(big), "");
  EXPECT_EQ(Value(big, "s", "k", "none"), "none");
}

// A UTF-8 byte-order mark is three ANSI characters that spoil the first line.
TEST(IniFileTest, Utf8MarkIsAnsiText) {
  const std::string file = "\xEF\xBB\xBF[s]\r\nk=v\r\n[t]\r\nk=\xC3\xBC\r\n";
  EXPECT_EQ(Sections(file), Bytes("t\0"));
  EXPECT_EQ(Value(file, "t", "k"), "\xC3\xBC");
}

// The list of a full win.ini in the 16384-byte buffer, and its values in 2048 bytes.
TEST(IniFileTest, ReadsWindows10WinIni) {
  std::ifstream in(KDX_SOURCE_DIR "/tests/data/ini/win10_default_win.ini", std::ios::binary);
  const std::string file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  EXPECT_EQ(Sections(file), Bytes("fonts\0extensions\0mci extensions\0files\0Mail\0Ports\0"));
  EXPECT_EQ(Keys(file, "ports"), Bytes("COM1:\0"));
  EXPECT_EQ(Value(file, "Ports", "com1:"), "9600,n,8,1");
  EXPECT_EQ(Value(file, "Mail", "MAPI"), "1");
}

// A key list longer than the program's 16384-byte buffer ends in a cut name.
TEST(IniFileTest, CutsLongKeyList) {
  std::string file = "[s]\r\n";
  std::string expected;
  for (int i = 0; i < 2100; ++i) {
    const std::string name = "key" + std::to_string(10000 + i);
    file += name + "=1\r\n";
    expected += name + '\0';
  }
  expected.resize(16382);
  EXPECT_EQ(Keys(file, "s"), expected);
}

}  // namespace
}  // namespace kdx
