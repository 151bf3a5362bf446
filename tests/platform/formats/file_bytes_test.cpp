#include "platform/formats/file_bytes.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace kdx {
namespace {

// 9000 bytes: three pages of 4096, the last one short.
std::string Numbered() {
  std::string bytes(9000, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  return bytes;
}

/// A file read through ReadAt, noting the offsets asked for; a page from failAt on fails.
struct PagedFile {
  explicit PagedFile(std::uint64_t failAt = ~0ULL)
      : bytes(Numbered()),
        file(bytes.size(), [this, failAt](std::uint64_t offset, char* buffer, std::size_t size) {
          asked.insert(offset);
          if (offset >= failAt) return false;
          bytes.copy(buffer, size, offset);
          return true;
        }) {}
  std::string bytes;
  std::set<std::uint64_t> asked;
  FileBytes file;
};

// The same bytes in memory and read a page at a time; nothing past the end, and no read of it.
TEST(FileBytesTest, ReadsRangesInMemoryAndPageByPage) {
  const std::string whole = Numbered();
  const FileBytes memory(whole);
  PagedFile paged;
  for (const FileBytes* file : {&memory, static_cast<const FileBytes*>(&paged.file)}) {
    EXPECT_EQ(file->Read(0, 4), whole.substr(0, 4));
    EXPECT_EQ(file->Read(4090, 12), whole.substr(4090, 12));  // across a page's end
    EXPECT_EQ(file->Read(8996, 4), whole.substr(8996, 4));    // the last bytes
    EXPECT_EQ(file->Read(8997, 4), std::nullopt);
    EXPECT_EQ(file->Read(9001, 0), std::nullopt);
    EXPECT_EQ(file->Le16(4095), static_cast<std::uint16_t>((4096 % 251) << 8 | 4095 % 251));
    EXPECT_EQ(file->Le32(8997), std::nullopt);
    EXPECT_FALSE(file->ReadFailed());
  }
  // Only the pages looked at were read, each once.
  EXPECT_EQ(paged.asked, (std::set<std::uint64_t>{0, 4096, 8192}));
}

// A file that no longer gives bytes inside its size fails the read, and says so.
TEST(FileBytesTest, AReadThatFailsInsideTheFileIsNoEnd) {
  PagedFile paged(8192);
  EXPECT_TRUE(paged.file.Read(0, 16));
  EXPECT_FALSE(paged.file.ReadFailed());
  EXPECT_EQ(paged.file.Read(8190, 4), std::nullopt);
  EXPECT_TRUE(paged.file.ReadFailed());
}

}  // namespace
}  // namespace kdx
