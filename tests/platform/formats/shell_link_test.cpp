#include "platform/formats/shell_link.h"

#include <gtest/gtest.h>

#include <string>

#include "support/test_data.h"

namespace kdx {
namespace {

using test::CountedUnicode;
using test::ShortcutWith;
using test::TestDataFile;
using test::WithoutLinkInfo;

std::string ExpandWindir(const std::string& text) {
  std::string expanded = text;
  for (std::size_t at = expanded.find("%windir%"); at != std::string::npos;
       at = expanded.find("%windir%")) {
    expanded.replace(at, 8, "C:\\WINDOWS");
  }
  return expanded;
}

std::optional<ShellLinkTexts> Read(const std::string& bytes) {
  return ReadShellLink(bytes, ExpandWindir);
}

struct CorpusCase {
  const char* file;
  ShellLinkTexts texts;
};

// The four texts of every shortcut of the corpus (the first as LnkParse3 decodes it too).
TEST(ShellLinkTest, ReadsCorpus) {
  const std::string desktop = "C:\\Users\\u0041\\Desktop\\test";
  const std::string share = "\\\\127.0.0.1\\test";
  const std::string nero = "C:\\Program Files (x86)\\Nero\\Nero 9\\Nero InfoTool";
  const CorpusCase cases[] = {
      {"lnkparse3_microsoft_example", {"C:\\test\\a.txt", "", "C:\\test", ""}},
      {"lnkparser_other_non_unicode_strings",
       {"E:\\Age Of Empires II\\Age2_X1\\age2_x1.Exe", "The Conquerors - NormalMouse.lnk",
        "E:\\Age Of Empires II\\", "normalmouse"}},
      {"lnkparser_win7_manual", {desktop + "\\test.txt", "", desktop, ""}},
      {"lnkparser_win7_manual_unicode", {desktop + "\\?????.txt", "", desktop, ""}},
      {"lnkparser_win7_network_share", {share + "\\test.txt", "", share, ""}},
      {"lnkparser_win7_network_share_unicode", {share + "\\?????.txt", "", share, ""}},
      {"lnkparser_win7_windows_generated", {desktop + "\\test.txt", "", desktop, ""}},
      {"lnkparser_win7_windows_generated_unicode", {desktop + "\\?????.txt", "", desktop, ""}},
      {"lnkparser_ws19_Suessspeisen",
       {"C:\\Users\\jasa\\Desktop\\S\xFC\xDFspeisen.docx", "", "C:\\Users\\jasa\\Desktop", ""}},
      {"lnkparser_ws19_Suessspeisen_mit_Aepfeln",
       {"C:\\Users\\jasa\\Desktop\\S\xFC\xDFspeisen mit \xC4pfeln.docx", "",
        "C:\\Users\\jasa\\Desktop", ""}},
      {"plaso_NeroInfoTool",
       {nero + "\\InfoTool.exe",
        "Nero InfoTool provides you with information about the most important features of "
        "installed drives, inserted discs, installed software and much more. With Nero InfoTool "
        "you can find out all about your drive and your system configuration.",
        nero, "-ScParameter=30002  "}},
      {"plaso_example",
       {"C:\\WINDOWS\\system32\\migwiz\\migwiz.exe", "@%windir%\\system32\\migwiz\\wet.dll,-590",
        "%windir%\\system32\\migwiz", ""}},
      {"plaso_unpaired_surrogate", {"C:\\test\\unicode_U+0000d800_?.exe", "", "C:\\test", ""}},
  };
  for (const auto& [file, texts] : cases) {
    const auto read = Read(TestDataFile(std::string("lnk/") + file + ".lnk"));
    ASSERT_TRUE(read) << file;
    EXPECT_EQ(read->path, texts.path) << file;
    EXPECT_EQ(read->description, texts.description) << file;
    EXPECT_EQ(read->workingDirectory, texts.workingDirectory) << file;
    EXPECT_EQ(read->arguments, texts.arguments) << file;
  }
}

// Without LinkInfo the target comes from the ID list: long names, UTF-16 names, short names.
TEST(ShellLinkTest, SpellsIdListPath) {
  const std::pair<const char*, const char*> cases[] = {
      {"lnkparse3_microsoft_example", "C:\\test\\a.txt"},
      {"plaso_NeroInfoTool", "C:\\Program Files (x86)\\Nero\\Nero 9\\Nero InfoTool\\InfoTool.exe"},
      {"lnkparser_ws19_Suessspeisen", "C:\\Users\\jasa\\Desktop\\S\xFC\xDFspeisen.docx"},
      {"lnkparser_other_non_unicode_strings", "E:\\Age Of Empires II\\Age2_X1\\age2_x1.Exe"},
      // The list starts below the desktop, not at My Computer: no path.
      {"lnkparser_win7_manual", ""},
  };
  for (const auto& [file, path] : cases) {
    const auto read = Read(WithoutLinkInfo(TestDataFile(std::string("lnk/") + file + ".lnk")));
    ASSERT_TRUE(read) << file;
    EXPECT_EQ(read->path, path) << file;
  }
}

// With UNC priority a LinkInfo network target is share name plus suffix.
TEST(ShellLinkTest, JoinsShareAndSuffix) {
  std::string link = TestDataFile("lnk/lnkparser_win7_network_share.lnk");
  link[0x15] &= ~0x02;  // no HasExpString: the LinkInfo decides
  EXPECT_EQ(Read(link)->path, "\\\\127.0.0.1\\TEST\\test.txt");
}

// Texts longer than the 260-character buffers are cut to 259; UTF-16 text comes out best fit.
TEST(ShellLinkTest, CutsLongTexts) {
  const std::string description = std::string(300, 'd');
  const auto read =
      Read(ShortcutWith(0x84 | 0x20, CountedUnicode(description) + CountedUnicode("\x80")));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->description, std::string(259, 'd'));
  EXPECT_EQ(read->arguments, "?");
  EXPECT_EQ(read->path, "");
}

// A NUL inside a counted text ends it.
TEST(ShellLinkTest, NulEndsText) {
  EXPECT_EQ(Read(ShortcutWith(0x04, std::string("\x05\0ab\0cd", 7)))->description, "ab");
}

// Load fails on a wrong header and on structures the file's end cuts short.
TEST(ShellLinkTest, RefusesBrokenFiles) {
  const std::string link = TestDataFile("lnk/lnkparse3_microsoft_example.lnk");
  std::string badSize = link;
  badSize[0] = 0x4D;
  std::string badClass = link;
  badClass[4] ^= 1;
  EXPECT_FALSE(Read(badSize));
  EXPECT_FALSE(Read(badClass));
  // Header, ID list, LinkInfo and strings end at 76, 267, 327 and 359 bytes.
  for (const std::size_t cut : {0, 75, 76, 77, 78, 266, 267, 326, 358}) {
    EXPECT_FALSE(Read(link.substr(0, cut))) << cut;
  }
  // Damaged extra data is ignored.
  for (const std::size_t cut : {359, 400, 455}) EXPECT_TRUE(Read(link.substr(0, cut))) << cut;
}

}  // namespace
}  // namespace kdx
