// Whole reports of the sample machines, compared byte for byte with the reviewed copies in
// tests/golden. To accept a deliberate change, regenerate with
//   kdxinfo --machine samples/<name> --yes --output tests/golden/<name>.txt
// and read the difference line by line before committing it.
#include <gtest/gtest.h>

#include "app/run_report.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

namespace fs = std::filesystem;

class GoldenReport : public testing::TestWithParam<const char*> {};

TEST_P(GoldenReport, MatchesReviewedReport) {
  const fs::path source = KDX_SOURCE_DIR;
  SimPlatform platform(source / "samples" / GetParam());
  test::RecordingFrontEnd ui;
  const fs::path out = fs::temp_directory_path() / (std::string("kdx_golden_") + GetParam());
  ui.savePath = out.string();
  RunContext context(platform, ui);
  ASSERT_EQ(RunReport(context), RunOutcome::Written);
  const std::string expected =
      test::ReadFileBytes(source / "tests" / "golden" / (std::string(GetParam()) + ".txt"));
  const std::string actual = test::ReadFileBytes(out);
  fs::remove(out);
  ASSERT_FALSE(expected.empty());
  // Line by line first, so that a difference shows where it is.
  const auto expectedLines = test::ReportLines(expected);
  const auto actualLines = test::ReportLines(actual);
  for (std::size_t i = 0; i < std::min(expectedLines.size(), actualLines.size()); ++i) {
    ASSERT_EQ(actualLines[i], expectedLines[i]) << "line " << i + 1;
  }
  EXPECT_EQ(actualLines.size(), expectedLines.size());
  EXPECT_EQ(actual, expected);
}

INSTANTIATE_TEST_SUITE_P(SampleMachines, GoldenReport,
                         testing::Values("winxp_de", "win98se_de", "win10x64_de"));

}  // namespace
}  // namespace kdx
