#include "platform/text_encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace kdx {
namespace {

// Every byte survives the trip to UTF-16 and back, the five undefined ones included.
TEST(AnsiTextTest, RoundTripsEveryByte) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) all.push_back(static_cast<char>(byte));
  EXPECT_EQ(Utf16ToAnsi(AnsiToUtf16(all)), all);
  EXPECT_EQ(AnsiToUtf16("\x80\x81\x9F"), (std::u16string{0x20AC, 0x0081, 0x0178}));
}

// Characters 1252 lacks take Windows' best-fit stand-in, else '?'.
TEST(AnsiTextTest, ConvertsWithBestFit) {
  EXPECT_EQ(Utf16ToAnsi(u"\u0100\u0131\u2212\uFF21\uFF1D\u0110"), "Ai-A=\xD0");
  EXPECT_EQ(Utf16ToAnsi(u"\u4E00\u062A\uFFFD"), "???");
}

// A surrogate pair gives one '?', a lone surrogate one too.
TEST(AnsiTextTest, MarksSurrogatesOnce) {
  EXPECT_EQ(Utf16ToAnsi(u"a\U0001F600b"), "a?b");
  EXPECT_EQ(Utf16ToAnsi(std::u16string{0xD800, u'x', 0xDC00}), "?x?");
}

// Well-formed UTF-8 converts; overlong forms, encoded surrogates, code points past U+10FFFF
// and cut sequences each become one '?', never the character they would smuggle in.
TEST(Utf8TextTest, RefusesMalformedSequences) {
  EXPECT_EQ(Utf8ToCp1252("M\xC3\xBCller \xE2\x82\xAC \xF0\x9F\x98\x80"), "M\xFCller \x80 ?");
  EXPECT_EQ(Utf8ToCp1252(std::string("a\xC0\x80"
                                     "b",
                                     4)),
            "a?b");
  EXPECT_EQ(Utf8ToCp1252("\xC1\xBF|\xE0\x80\xAF|\xF0\x80\x80\xAF"), "?|?|?");
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80|\xF4\x90\x80\x80"), "?|?");
  EXPECT_EQ(Utf8ToCp1252("\xC3|\xFF"), "?|?");
}

}  // namespace
}  // namespace kdx
