#include "platform/machine/json_lines.h"

#include <gtest/gtest.h>

#include <string>

namespace kdx {
namespace {

// A document whose members stand on known lines.
constexpr char kDocument[] =
    "{\n"                                // 1
    "  \"x\": {\"a\": \"}{][\\\"\", \n"  // 2: a text full of brackets and an escaped quote
    "    \"b\": [1,\n"                   // 3
    "          {\"a\": 2},\n"            // 4
    "          [3]]},\n"                 // 5
    "  \"a\": null,\n"                   // 6
    "  \"q\\\"uote\": 1,\n"              // 7: a name with an escaped quote
    "  \"last\":\n"                      // 8
    "    true\n"                         // 9
    "}\n";

TEST(JsonLinesTest, CountsLinesToAnOffset) {
  // the first byte
  EXPECT_EQ(LineOfOffset("a\nb\nc", 0), 1);
  // the line break itself still belongs to its line
  EXPECT_EQ(LineOfOffset("a\nb\nc", 1), 1);
  // the byte after it
  EXPECT_EQ(LineOfOffset("a\nb\nc", 2), 2);
  // past the end: the last line
  EXPECT_EQ(LineOfOffset("a\nb\nc", 99), 3);
  // CR LF counts once
  EXPECT_EQ(LineOfOffset("a\r\nb", 3), 2);
  // empty text
  EXPECT_EQ(LineOfOffset("", 0), 1);
}

TEST(JsonLinesTest, FindsMembersOnTheirLines) {
  // top-level members after nested ones of the same name
  EXPECT_EQ(LineOfJsonMember(kDocument, {"a"}), 6);
  // a nested member after a text full of brackets
  EXPECT_EQ(LineOfJsonMember(kDocument, {"x", "b"}), 3);
  // array elements by index
  EXPECT_EQ(LineOfJsonMember(kDocument, {"x", "b", "1", "a"}), 4);
  EXPECT_EQ(LineOfJsonMember(kDocument, {"x", "b", "2"}), 5);
  // a name with an escaped quote
  EXPECT_EQ(LineOfJsonMember(kDocument, {"q\"uote"}), 7);
  // a value on the line after its name: the value's line
  EXPECT_EQ(LineOfJsonMember(kDocument, {"last"}), 9);
  // the document itself
  EXPECT_EQ(LineOfJsonMember("\n\n  {}", {}), 3);
}

TEST(JsonLinesTest, FallsBackToTheInnermostMemberFound) {
  // a missing member inside an existing one
  EXPECT_EQ(LineOfJsonMember(kDocument, {"x", "b", "7"}), 3);
  // a path into a scalar
  EXPECT_EQ(LineOfJsonMember(kDocument, {"a", "b"}), 6);
  // nothing matches: the document's start
  EXPECT_EQ(LineOfJsonMember(kDocument, {"none"}), 1);
}

TEST(JsonLinesTest, SkipsAByteOrderMark) {
  // an editor's UTF-8 signature before the document
  EXPECT_EQ(LineOfJsonMember("\xEF\xBB\xBF{\n\n\"a\": 1}", {"a"}), 3);
}

}  // namespace
}  // namespace kdx
