#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kdx::test {

/// Address of the one section of a built image.
constexpr std::uint32_t kTestSectionRva = 0x1000;

/// A resource to place into a built resource section.
struct TestResource {
  std::uint16_t type = 0;
  std::uint16_t id = 0;
  std::uint16_t language = 0;
  std::string data;
};

/// A resource section for address kTestSectionRva: the directory tree with types, ids and
/// languages each in the order of first appearance (so a test can make an unsorted directory),
/// then the data, each aligned to 4 bytes.
std::string ResourceSection(const std::vector<TestResource>& resources);

/// The shape of a built image.
struct TestImageOptions {
  bool pe32Plus = false;
  std::uint16_t machine = 0x14C;
};

/// A PE image with one section holding sectionBytes at kTestSectionRva, named by the resource
/// data directory.
std::string PeImage(std::string_view sectionBytes, const TestImageOptions& options = {});

/// A PE image of the given resources.
std::string ResourceImage(const std::vector<TestResource>& resources,
                          const TestImageOptions& options = {});

/// UTF-16LE bytes of a text, without NUL.
std::string Utf16(std::u16string_view text);

/// One node of a 32-bit version block: length, value length, type, key with NUL, the value
/// and the children, each aligned to 4 bytes from the node's start. valueLength defaults to
/// the value's size in units of its type (UTF-16 units for text).
std::string VersionNode(std::u16string_view key, std::string_view value, std::uint16_t type,
                        const std::vector<std::string>& children = {},
                        std::optional<std::uint16_t> valueLength = std::nullopt);

/// A text node of a string table: key and value with its NUL.
std::string VersionString(std::u16string_view key, std::u16string_view value);

/// A 52-byte fixed file info: the signature 0xFEEF04BD and zeros.
std::string FixedFileInfo();

/// A version block with the fixed file info, the given nodes under StringFileInfo\040704E4
/// and a Translation 0x0407/1252 under VarFileInfo.
std::string VersionBlock(const std::vector<std::string>& strings);

/// The block of odd nodes the version tests share, all under StringFileInfo\040704E4: NoNul (a
/// value without NUL), ByteLength (a value length counted in bytes), Empty (value length 0),
/// Twice (twice: "first", then "second"), MiXeD, \u00C4\u00D6\u00DC, Binary (a text of type
/// 0), Euro\u20AC, Dotted\u0130, Wide (characters outside 1252), ProductVersion "2.9" and
/// CompanyName "Kelmo".
std::string OddVersionBlock();

/// block with its root length set to rootLength.
std::string WithRootLength(std::string block, std::size_t rootLength);

/// A message entry: its bytes after length and flags, its flags, and its length field when
/// that must differ from the real length.
struct TestMessage {
  TestMessage(std::string entryText, std::uint16_t entryFlags,
              std::optional<std::uint16_t> entryLength = std::nullopt)
      : text(std::move(entryText)), flags(entryFlags), length(entryLength) {}

  std::string text;
  std::uint16_t flags = 0;
  std::optional<std::uint16_t> length;
};

/// A message table block: the first id and the entries for it and the ids after it.
struct TestMessageBlock {
  std::uint32_t lowId = 0;
  std::vector<TestMessage> messages;
};

/// A message table resource of the given blocks.
std::string MessageTable(const std::vector<TestMessageBlock>& blocks);

/// The table of odd entries the message tests share. Ids 1 to 10 in one block: ANSI "ansi",
/// UTF-16 "utf16", UTF-8 bytes with flags 2, UTF-16 with flags 3, "nonul" without NUL, "six",
/// bytes 1252 leaves undefined, UTF-16 with a surrogate pair, "zero" with length 0, "ten";
/// then id 5 again in a second block and id 100 in a third.
std::string OddMessageTable();

}  // namespace kdx::test
