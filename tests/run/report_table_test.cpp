#include "run/report_table.h"

#include <gtest/gtest.h>

#include "run/number_format.h"
#include "run/run_context.h"

namespace kdx {
namespace {

TEST(ReportTable, StartsWithHeadingRowAndAppendsInOrder) {
  ReportTable table;
  table.AddRow("a", "1");
  table.AddSectionHeading("Laufwerke");
  ASSERT_EQ(table.Rows().size(), 4u);
  EXPECT_EQ(table.Rows()[0].key, "Schl\xFCssel");
  EXPECT_EQ(table.Rows()[0].value, "Wert");
  // A section heading is an empty row followed by the heading with an empty value.
  EXPECT_EQ(table.Rows()[2].key, "");
  EXPECT_EQ(table.Rows()[2].value, "");
  EXPECT_EQ(table.Rows()[3].key, "Laufwerke");
  EXPECT_EQ(table.Rows()[3].value, "");
  table.Reset();
  EXPECT_EQ(table.Rows().size(), 1u);
}

TEST(NumberFormat, UsesGermanSeparatorsWhateverTheLocale) {
  const NumberSeparators separators;
  EXPECT_EQ(FormatGrouped(1234567, separators), "1.234.567");
  EXPECT_EQ(FormatGrouped(999, separators), "999");
  EXPECT_EQ(FormatGrouped(1000, separators), "1.000");
  EXPECT_EQ(FormatGrouped(0, separators), "0");
  EXPECT_EQ(FormatGrouped(-1234, separators), "-1.234");
  EXPECT_EQ(FormatGrouped(INT64_MIN, separators), "-9.223.372.036.854.775.808");
}

}  // namespace
}  // namespace kdx
