// What is newer in an event log than the older report's newest record.
#include "analysis/report_diff.h"

#include <gtest/gtest.h>

#include "analysis/report_reader.h"
#include "support/report_samples.h"

namespace kdx::analysis {
namespace {

// Event records are compared by what is newer than the older report's newest record.
TEST(ReportDiff, ListsOnlyTheNewerEventRecords) {
  const std::string before = test::GoldenReport("winxp_de");
  const std::string after = test::Edited(
      before, "EventLog\tSystem\r\n",
      "EventLog\tSystem\r\nERROR|Print\t07.12.2026 08:00:00\r\n\tDruck fehlgeschlagen\r\n");
  const std::vector<Change> changes = DiffReports(ReadReport(before), ReadReport(after));
  ASSERT_EQ(changes.size(), 1U);
  EXPECT_EQ(changes[0].part, "eventlog");
  EXPECT_EQ(changes[0].change, ChangeKind::Added);
  EXPECT_EQ(changes[0].subject, "System: ERROR|Print");
  EXPECT_EQ(changes[0].newValue, "07.12.2026 08:00:00 Druck fehlgeschlagen");
}

}  // namespace
}  // namespace kdx::analysis
