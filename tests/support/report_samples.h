#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "support/test_machine.h"

namespace kdx::test {

/// A reviewed report of a sample machine (tests/golden/<name>.txt).
inline std::string GoldenReport(const std::string& name) {
  return ReadFileBytes(std::filesystem::path(KDX_SOURCE_DIR) / "tests" / "golden" /
                       (name + ".txt"));
}

/// text with its first from replaced by to; the test fails when from is not there.
inline std::string Edited(std::string text, std::string_view from, std::string_view to) {
  const std::size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << "not in the report: " << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace kdx::test
