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

}  // namespace
}  // namespace kdx
