#include "platform/collation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace kdx {
namespace {

using namespace std::string_view_literals;

struct Order {
  std::string_view a;
  std::string_view b;
  int expected;  // -1, 0 or 1
};

int Sign(int value) { return (value > 0) - (value < 0); }

// Expected orders as CompareStringA gives them under Wine with the German user locale.
void ExpectOrders(const std::vector<Order>& orders) {
  for (const Order& order : orders) {
    EXPECT_EQ(Sign(CompareNamesIgnoreCase(order.a, order.b)), order.expected)
        << '"' << order.a << "\" against \"" << order.b << '"';
    EXPECT_EQ(Sign(CompareNamesIgnoreCase(order.b, order.a)), -order.expected)
        << '"' << order.b << "\" against \"" << order.a << '"';
  }
}

// Upper and lower case of every letter compare equal, accented ones and š œ ÿ included.
TEST(CompareNamesIgnoreCase, CaseIsIgnored) {
  ExpectOrders({{"a", "A", 0},
                {"\xE4", "\xC4", 0},
                {"KDXUSB.SYS", "kdxusb.sys", 0},
                {"\x9A", "\x8A", 0},
                {"\x9C", "\x8C", 0},
                {"\xFF", "\x9F", 0}});
}

// An accent counts only when the letters are equal: "äa" comes before "ab".
TEST(CompareNamesIgnoreCase, AccentsCountAfterLetters) {
  ExpectOrders({{"a", "\xE4", -1},
                {"\xE4", "b", -1},
                {"\xE4"
                 "a",
                 "ab", -1}});
}

// The accents of one letter in Windows' order: á à â ä ã å.
TEST(CompareNamesIgnoreCase, AccentOrder) {
  ExpectOrders({{"\xE1", "\xE0", -1},
                {"\xE0", "\xE2", -1},
                {"\xE2", "\xE4", -1},
                {"\xE4", "\xE3", -1},
                {"\xE3", "\xE5", -1}});
}

// ß, æ, œ and þ sort as the two letters they stand for.
TEST(CompareNamesIgnoreCase, LigaturesExpand) {
  ExpectOrders({{"Stra\xDF"
                 "e",
                 "STRASSE", 0},
                {"\xE6", "ae", 0},
                {"\x9C", "oe", 0},
                {"\xDE", "th", 0},
                {"\xDF", "s", 1},
                {"\xDF", "st", -1}});
}

// Hyphens, apostrophes and control characters weigh only when all else is equal; then the
// name whose first such character comes earlier sorts later.
TEST(CompareNamesIgnoreCase, WordSortSkipsHyphensAndApostrophes) {
  ExpectOrders({{"coop", "co-op", -1},
                {"co-op", "cop", -1},
                {"its", "it's", -1},
                {"co'op", "co-op", -1},
                {"co-op", "co\x96op", -1},
                {"ab-", "a-b", -1},
                {"a-b", "-ab", -1},
                {"a", "a\x01", -1},
                {"", "\x01", -1},
                {"\x01", "\x02", -1}});
}

// Digits compare one by one, not as numbers.
TEST(CompareNamesIgnoreCase, DigitsAreNotNumbers) {
  ExpectOrders({{"file10", "file9", -1}, {"file1", "file10", -1}, {"\xBD", "1", -1}});
}

// Blanks and symbols are letters of their own, before digits and letters.
TEST(CompareNamesIgnoreCase, BlanksAndSymbolsSortFirst) {
  ExpectOrders({{" ", "!", -1},
                {"!", "0", -1},
                {"0", "a", -1},
                {"_", "a", -1},
                {"a b", "ab", -1},
                {"a\tb", "ab", -1},
                {"Kelmo Instruments", "Kelmo-Instruments", -1},
                {"Dexta Label.lnk", "DextaLabel.lnk", -1}});
}

// Superscripts and ordinal indicators sort after their plain letter or digit.
TEST(CompareNamesIgnoreCase, SuperscriptsAfterPlainForms) {
  ExpectOrders({{"2", "\xB2", -1}, {"1", "\xB9", -1}, {"a", "\xAA", -1}});
}

// The soft hyphen is ignored altogether.
TEST(CompareNamesIgnoreCase, SoftHyphenIsIgnored) {
  ExpectOrders({{"a\xAD"
                 "b",
                 "ab", 0},
                {"\xAD", "", 0}});
}

// A name ends at its first NUL, as one passed with length -1 does.
TEST(CompareNamesIgnoreCase, NameEndsAtNul) {
  ExpectOrders({{"ab\0z"sv, "ab", 0}, {"\0"sv, "", 0}, {"kdx\0a"sv, "kdxmon.dll", -1}});
}

// A folder's names sort as CompareStringA sorts them.
TEST(CompareNamesIgnoreCase, SortsAFolderListing) {
  const std::vector<std::string> expected = {
      "kdx",          "kdx tool.exe",       "kdx$.log",   "kdx.inf",     "Kdx_Setup.exe",
      "kdx~1.tmp",    "kdx10.ini",          "kdx9.ini",   "kdxaa.txt",   "kdx\xE6.log",
      "kdxaf.log",    "KDX\xC4nderung.txt", "kdxmon.dll", "kdx\xDF.log", "KDXST.LOG",
      "kdx-tool.exe", "KDXUSB.SYS",         "kdx'x.log",  "KDXZ.TXT"};
  std::vector<std::string> names = expected;
  std::reverse(names.begin(), names.end());
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return CompareNamesIgnoreCase(a, b) < 0;
  });
  EXPECT_EQ(names, expected);
}

}  // namespace
}  // namespace kdx
