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

}  // namespace kdx::test
