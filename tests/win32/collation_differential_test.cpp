#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "platform/collation.h"
#include "platform/upcase.h"
#include "win32/win32_test_support.h"

namespace kdx {
namespace {

constexpr LCID kGermanLocale = 0x0407;
constexpr UINT kWindows1252 = 1252;
// Past this many, further differences would only repeat what is shown.
constexpr int kReportedDifferences = 20;

// Names whose order is not the order of their bytes: real file names, umlauts and ß,
// ligatures, accented capitals, hyphens and apostrophes, blanks and punctuation, digits,
// control characters, bytes 1252 leaves undefined, and names that are prefixes of others.
// A hex escape followed by a letter a to f is split into two literals, not a missing comma.
// NOLINTBEGIN(bugprone-suspicious-missing-comma)
const char* const kTrickyNames[] = {
    // the label software's and the drivers' files
    "KDXUSB.SYS", "kdxusb.sys", "kdxmon.dll", "KDXMON.DLL", "kdxui.dll", "kdxui2.dll",
    "kdxui10.dll", "Dexta Label.lnk", "Dexta Label v5", "DextaLabel.lnk", "Dexta-Label.lnk",
    "Kelmo Instruments", "Kelmo-Instruments", "KelmoInstruments", "KMI", "kmi.ini", "usbprint.inf",
    "USBPRINT.INF", "usbprint.PNF", "oem2.inf", "oem12.inf", "oem100.inf", "dy_drv.dll",
    "dyusb.sys", "lw450.inf", "LW_450.INF", "lw-450.inf", "setup.exe", "Setup.exe", "setup.ex_",
    "setup~1.exe", "readme.txt", "Read Me.txt", "read-me.txt", "read_me.txt", "readme", "readme.",
    "readme.txt.bak", "unins000.exe", "unins000.dat", "Uninstall.exe",
    // letters, case and prefixes
    "", "a", "A", "b", "B", "z", "Z", "aa", "ab", "Ab", "aB", "AB", "kdx", "kdxm", "kdxmo",
    "kdxmon", "kdxmon.", "kdxmon.d",
    // blanks and punctuation alone
    " ", "  ", ".", "..", "...", "-", "--", "'", "''", "_", "~", "$", "#", "!", "(", ")", "[", "]",
    "{", "}", "@", "&", "+", "=", ",", ";", "^", "`", "%",
    // umlauts and ß
    "\xC4pfel", "\xE4pfel", "Apfel", "apfel", "\xC4rger", "Arger", "Aerger", "\xC4rzte", "\xD6l",
    "oel", "Ol",
    "\xDC"
    "bung",
    "ubung", "Uebung", "M\xFCller", "Mueller", "Muller", "M\xDCLLER",
    "Stra\xDF"
    "e",
    "Strasse", "STRASSE", "Strase",
    "Stra\xDF"
    "en",
    "Strassen", "Ma\xDF", "Mass", "Masse",
    "Ma\xDF"
    "e",
    "\xDF", "ss", "s", "st",
    // ligatures
    "\xE6", "\xC6", "ae", "AE", "Aether", "\xC6ther", "\x9Cuvre", "\x8Cuvre", "oeuvre", "\xDEorn",
    "thorn", "\xFE",
    // accented letters
    "\xC9"
    "cole",
    "\xE9"
    "cole",
    "ecole", "Ecole", "\xC9lan", "\xE9lan",
    "\xC7"
    "a",
    "\xE7"
    "a",
    "\xC7"
    "a va",
    "\xD1"
    "andu",
    "nandu", "\xD8re", "ore", "\xC5se", "ase", "\xDDmir", "\xFF", "\x9F", "\x9A", "\x8A", "\x9E",
    "\x8E", "\xE0", "\xE1", "\xE2", "\xE3", "\xE4", "\xE5", "\xF0", "\xD0",
    // hyphens, dashes and apostrophes
    "co-op", "coop", "co op", "co'op", "cop", "co\x96op", "co\x97op", "it's", "its", "it s", "-ab",
    "a-b", "ab-", "'ab", "a'b", "ab'", "a--b", "a-'b",
    "a\x92"
    "b",
    // digits
    "file1", "file2", "file9", "file10", "file01", "file001", "File10", "file 10", "file-10",
    "file\xBD", "file\xB2", "file2a", "file1.txt", "file10.txt", "1", "10", "2", "01", "\xBD",
    "\xBC", "\xBE", "\xB2", "\xB3", "\xB9", "\xAA", "\xBA",
    // punctuation and symbols between letters
    "a.b", "a_b", "a b", "a~b", "a,b", "a;b", "a!b", "a(b)", "a[b]", "a#b", "a$b", "a%b", "a&b",
    "a@b", "a+b", "a=b",
    "a\x80"
    "b",
    "a\xA3"
    "b",
    "a\xA7"
    "b",
    "a\xA9"
    "b",
    "a\xB0"
    "b",
    "a\xB7"
    "b",
    "a\xD7"
    "b",
    "a\xF7"
    "b",
    "a\xAB"
    "b\xBB",
    "a\xBF"
    "b",
    "a\xA1"
    "b",
    "a\x85"
    "b",
    "a\xA0"
    "b",
    // control characters
    "\x01", "\x1F", "a\x01",
    "a\x01"
    "b",
    "a\x02"
    "b",
    "\x7F",
    "a\x7F"
    "b",
    "a\tb", "a\nb", "a\rb",
    // the soft hyphen and bytes 1252 leaves undefined
    "\xAD",
    "a\xAD"
    "b",
    "ab\xAD", "\x81", "\x8D", "\x8F", "\x90", "\x9D", "a\x81"};
// NOLINTEND(bugprone-suspicious-missing-comma)

int Sign(int value) { return (value > 0) - (value < 0); }

// Windows' order as -1, 0 or 1; -2 when the call fails.
int WindowsOrder(const std::string& a, const std::string& b) {
  return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) -
         CSTR_EQUAL;
}

std::string Escaped(const std::string& name) {
  std::string text;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F && byte != '\\') {
      text += c;
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      text += escape;
    }
  }
  return '"' + text + '"';
}

// Compares every ordered pair both ways and reports the pairs whose signs differ.
void ExpectWindowsOrder(const std::vector<std::string>& names) {
  int differences = 0;
  for (const std::string& a : names) {
    for (const std::string& b : names) {
      const int windows = WindowsOrder(a, b);
      ASSERT_NE(windows, -2) << "CompareStringA failed with " << ::GetLastError();
      const int ours = Sign(CompareNamesIgnoreCase(a, b));
      if (ours == windows) continue;
      ADD_FAILURE() << Escaped(a) << " against " << Escaped(b) << ": Windows " << windows
                    << ", ours " << ours;
      if (++differences == kReportedDifferences) return;
    }
  }
}

// The recorded table is German with code page 1252; under another locale the comparison
// below would prove nothing about it.
TEST(CollationDifferential, RunsUnderTheGermanUserLocale) {
  EXPECT_EQ(::GetUserDefaultLCID(), kGermanLocale) << "tests/win32/wine_prefix.sh sets LC_ALL";
  EXPECT_EQ(::GetACP(), kWindows1252);
}

// Every ordered pair of the 255 names of one byte.
TEST(CollationDifferential, EveryPairOfSingleBytes) {
  std::vector<std::string> names;
  for (int byte = 1; byte < 256; ++byte) names.emplace_back(1, static_cast<char>(byte));
  ExpectWindowsOrder(names);
}

// Every ordered pair of the tricky names and their upper-case forms.
TEST(CollationDifferential, EveryPairOfTrickyNames) {
  std::vector<std::string> names(std::begin(kTrickyNames), std::end(kTrickyNames));
  for (const char* name : kTrickyNames) names.push_back(UpcaseAnsi(name));
  ExpectWindowsOrder(names);
}

// Random names of up to six bytes, half of them starting like their neighbour.
TEST(CollationDifferential, RandomNames) {
  std::mt19937 random(1252);
  std::uniform_int_distribution<int> length(0, 6);
  std::uniform_int_distribution<int> byte(1, 255);
  std::vector<std::string> names;
  for (int i = 0; i < 300; ++i) {
    std::string name = i % 2 == 1 ? names.back().substr(0, names.back().size() / 2) : "";
    for (int n = length(random); n > 0; --n) name += static_cast<char>(byte(random));
    names.push_back(name);
  }
  ExpectWindowsOrder(names);
}

}  // namespace
}  // namespace kdx
