#include "platform/file_paths.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

// What depends on the current folder or on a server's share, beyond the contract's cases.
TEST(FilePathsTest, MakesRelativeRootedAndUncPathsAbsolute) {
  static const struct {
    const char* path;
    const char* current;
    const char* full;
  } kCases[] = {
      {"Temp\\x.txt", "C:\\Kelmo", "C:\\Kelmo\\Temp\\x.txt"},
      {"..\\..\\..\\x.txt", "C:\\Kelmo\\DLP4", "C:\\x.txt"},
      {"\\Temp", "D:\\Kelmo", "D:\\Temp"},
      {"d:Temp", "D:\\Kelmo", "D:\\Kelmo\\Temp"},
      {"E:Temp", "D:\\Kelmo", "E:\\Temp"},
      {"\\\\server\\share\\a\\..\\..\\b", "C:\\", "\\\\server\\share\\b"},
      {"//server/share/./c", "C:\\", "\\\\server\\share\\c"},
      {"C:\\a\\...\\b", "C:\\", "C:\\a\\..\\b"},
  };
  for (const auto& c : kCases) EXPECT_EQ(FullPathName(c.path, c.current), c.full) << c.path;
  EXPECT_EQ(FullPathName("", "C:\\"), std::nullopt);
}

}  // namespace
}  // namespace kdx
