#include "platform/formats/format_message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/message_cases.h"

namespace kdx {
namespace {

TEST(ApplyMessageInsertsTest, FollowsTheRulesOfTheCall) {
  const std::vector<std::string> arguments = test::MessageArguments();
  for (const test::MessageCase& c : test::kMessageCases) {
    EXPECT_EQ(ApplyMessageInserts(c.message, arguments), c.expected) << c.message;
  }
}

TEST(ApplyMessageInsertsTest, PlaceholderBeyondTheArgumentsStandsForItself) {
  const std::vector<std::string> two = {"one", "two"};
  EXPECT_EQ(ApplyMessageInserts("%1 %3 [%99]", two), "one %3 [%99]");
  // formatted like an argument
  EXPECT_EQ(ApplyMessageInserts("%3!5s!|%12!-5s!|", two), "   %3|%12  |");
  EXPECT_EQ(ApplyMessageInserts("%1", {}), "%1");
}

// Where Windows reads the string as UTF-16, a number or a character, the text is inserted.
TEST(ApplyMessageInsertsTest, ReadsOtherConversionsAsTheText) {
  const std::vector<std::string> one = {"one"};
  for (const char* message : {"%1!S!", "%1!ls!", "%1!ws!", "%1!d!", "%1!c!", "%1!p!"}) {
    EXPECT_EQ(ApplyMessageInserts(message, one), "one") << message;
  }
  EXPECT_EQ(ApplyMessageInserts("%1!08X!", one), "00000one");
  // a precision from an argument gives nothing, as a width does
  EXPECT_EQ(ApplyMessageInserts("%1!.*s!", one), "");
}

TEST(ApplyMessageInsertsTest, EndsMessageAndArgumentsAtTheirNul) {
  EXPECT_EQ(ApplyMessageInserts("<%1>", {std::string("a\0b", 3)}), "<a>");
  EXPECT_EQ(ApplyMessageInserts(std::string("a%1\0%2", 6), {"one", "two"}), "aone");
}

TEST(ApplyMessageInsertsTest, GivesNothingPast32767Characters) {
  const std::vector<std::string> one = {"one"};
  EXPECT_EQ(ApplyMessageInserts("%1!32767s!", one).size(), 32767U);
  EXPECT_EQ(ApplyMessageInserts("%1!32768s!", one), "");
  EXPECT_EQ(ApplyMessageInserts("%1%1", {std::string(20000, 'a')}), "");
  EXPECT_EQ(ApplyMessageInserts(std::string(32768, 'm'), {}), "");
}

}  // namespace
}  // namespace kdx
