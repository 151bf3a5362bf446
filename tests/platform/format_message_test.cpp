#include "platform/sim/format_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kdx {
namespace {

struct InsertCase {
  const char* message;
  const char* expected;
};

const std::vector<std::string>& Arguments() {
  static const std::vector<std::string> arguments = {"one", "two", "three"};
  return arguments;
}

void ExpectAll(const std::vector<InsertCase>& cases) {
  for (const InsertCase& c : cases) {
    EXPECT_EQ(ApplyMessageInserts(c.message, Arguments()), c.expected) << c.message;
  }
}

TEST(ApplyMessageInsertsTest, InsertsArgumentsByNumber) {
  ExpectAll({
      {"My messgage with parameters %1 %2\r\n", "My messgage with parameters one two\r\n"},
      {"%3%1%2%1", "threeonetwoone"},
      {"%1!s!", "one"},
  });
  // two digits at most
  const std::vector<std::string> twelve = {"a1", "a2", "a3", "a4",  "a5",  "a6",
                                           "a7", "a8", "a9", "a10", "a11", "a12"};
  EXPECT_EQ(ApplyMessageInserts("%100|%12", twelve), "a100|a12");
  // an argument with a NUL ends there
  EXPECT_EQ(ApplyMessageInserts("<%1>", {std::string("a\0b", 3)}), "<a>");
  // a message with a NUL ends there
  EXPECT_EQ(ApplyMessageInserts(std::string("a%1\0%2", 6), Arguments()), "aone");
}

TEST(ApplyMessageInsertsTest, PlaceholderBeyondTheArgumentsStandsForItself) {
  ExpectAll({
      {"%4", "%4"},
      {"[%99]", "[%99]"},
      {"%4!s!", "%4"},
      {"%4!5s!", "   %4"},
      {"%12!-5s!|", "%12  |"},
  });
  EXPECT_EQ(ApplyMessageInserts("%1 %2", {}), "%1 %2");
}

TEST(ApplyMessageInsertsTest, FormatsLikePrintfWithAString) {
  ExpectAll({
      {"%1!10s!", "       one"},
      {"%1!-10s!|", "one       |"},
      {"%1!.2s!", "on"},
      {"%1!5.1s!", "    o"},
      {"%1!05s!", "00one"},
      {"%1!05.2s!", "000on"},
      // left-justify wins over zeros; other flags change nothing
      {"%1!-05s!|", "one  |"},
      {"%1!+5s!", "  one"},
      {"%1! 5s!", "  one"},
      {"%1!#s!", "one"},
      // size prefixes are passed over
      {"%1!hs!", "one"},
      {"%1!hhs!", "one"},
      // text after the conversion letter is kept
      {"%1!ss!", "ones"},
      {"%1!s!!", "one!"},
      // a format without conversion letter inserts nothing
      {"<%1!!>", "<>"},
      {"<%1!10!>", "<>"},
      {"<%1!h!>", "<>"},
      // an unknown letter is kept with the rest of the format
      {"%1!q5s!", "q5s"},
      {"%1!z!", "z"},
      {"%1!%!", "%"},
  });
}

// Where Windows would read the string as a number, a character or UTF-16, the text is kept.
TEST(ApplyMessageInsertsTest, ReadsOtherConversionsAsTheText) {
  ExpectAll({
      {"%1!S!", "one"},
      {"%1!ls!", "one"},
      {"%1!ws!", "one"},
      {"%1!d!", "one"},
      {"%1!5u!", "  one"},
      {"%1!08X!", "00000one"},
      {"%1!c!", "one"},
      {"%1!p!", "one"},
  });
}

TEST(ApplyMessageInsertsTest, AppliesEscapes) {
  ExpectAll({
      {" %%%% ", " %% "},
      {"%n%r%t", "\r\n\r\t"},
      {" %.%. %!", " .. !"},
      {"% %  ", "   "},
      {"%q", "q"},
      // %0 ends the message, and with it the line break at its end
      {"test%0test", "test"},
      {"Dienst gestartet.%0\r\n", "Dienst gestartet."},
      // a % before a line break keeps the CR as it is
      {"%\r\nx", "\r\r\nx"},
  });
}

TEST(ApplyMessageInsertsTest, WritesEveryLineBreakAsCrLf) {
  ExpectAll({
      {"a\r\nb", "a\r\nb"},
      {"a\nb", "a\r\nb"},
      {"a\rb", "a\r\nb"},
      {"a\r\r\nb", "a\r\n\r\nb"},
      {"a\n\rb", "a\r\n\r\nb"},
  });
}

// The call fails and the emulation gives nothing.
TEST(ApplyMessageInsertsTest, GivesNothingWhereTheCallReturnsZero) {
  ExpectAll({
      {"", ""},
      {"%0text", ""},
      {"%1!.0s!", ""},
      // a lone % at the end
      {"%", ""},
      {"test%", ""},
      // a format without its closing "!", or longer than 30 characters
      {"%1!", ""},
      {"%1!s", ""},
      {"%1!------------------------------s!", ""},
      // a width or precision taken from an argument
      {"%1!*s!", ""},
      {"%1!.*s!", ""},
  });
  // 30 characters are allowed
  EXPECT_EQ(ApplyMessageInserts("%1!-----------------------------s!", Arguments()), "one");
}

TEST(ApplyMessageInsertsTest, GivesNothingPast32767Characters) {
  EXPECT_EQ(ApplyMessageInserts("%1!32767s!", Arguments()).size(), 32767U);
  EXPECT_EQ(ApplyMessageInserts("%1!32768s!", Arguments()), "");
  const std::string half(20000, 'a');
  EXPECT_EQ(ApplyMessageInserts("%1%1", {half}), "");
  EXPECT_EQ(ApplyMessageInserts(std::string(32768, 'm'), {}), "");
}

}  // namespace
}  // namespace kdx
