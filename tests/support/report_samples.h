#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "app/run_report.h"
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

/// The report the program writes of a machine directory.
inline std::string ReportOfMachine(const std::filesystem::path& machineDir) {
  SimPlatform platform(machineDir);
  RecordingFrontEnd ui;
  const std::filesystem::path out = machineDir / "report.txt";
  ui.savePath = out.string();
  RunContext context(platform, ui);
  EXPECT_EQ(RunReport(context), RunOutcome::Written);
  return ReadFileBytes(out);
}

}  // namespace kdx::test
