#include "run/date_time_format.h"

#include <gtest/gtest.h>

namespace kdx {
namespace {

SystemTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
              int dayOfWeek = 0) {
  SystemTime time;
  time.year = static_cast<std::uint16_t>(year);
  time.month = static_cast<std::uint16_t>(month);
  time.day = static_cast<std::uint16_t>(day);
  time.hour = static_cast<std::uint16_t>(hour);
  time.minute = static_cast<std::uint16_t>(minute);
  time.second = static_cast<std::uint16_t>(second);
  time.dayOfWeek = static_cast<std::uint16_t>(dayOfWeek);
  return time;
}

TEST(FormatShortDate, PicturesOfTheLocales) {
  const SystemTime time = At(2007, 3, 9, 0, 0, 0, 5);
  const struct {
    const char* picture;
    const char* expected;
  } cases[] = {
      {"dd.MM.yyyy", "09.03.2007"},  // German
      {"d.M.yy", "9.3.07"},
      {"M/d/yyyy", "3/9/2007"},  // American
      {"yyyy-MM-dd", "2007-03-09"},
      {"y", "7"},
      {"dddd, d. MMMM yyyy", "Freitag, 9. M\xE4rz 2007"},
      {"ddd MMM", "Fr Mrz"},
      {"'Tag' d 'o''clock'", "Tag 9 o'clock"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatShortDate(c.picture, time), c.expected) << c.picture;
}

TEST(FormatLongTime, PicturesOfTheLocales) {
  const struct {
    const char* picture;
    SystemTime time;
    const char* expected;
  } cases[] = {
      {"HH:mm:ss", At(2007, 1, 1, 9, 5, 4), "09:05:04"},
      {"H:mm:ss", At(2007, 1, 1, 9, 5, 4), "9:05:04"},
      {"h:mm:ss tt", At(2007, 1, 1, 0, 5, 4), "12:05:04 AM"},
      {"hh:mm:ss tt", At(2007, 1, 1, 13, 5, 4), "01:05:04 PM"},
      {"HH.mm.ss", At(2007, 1, 1, 23, 59, 59), "23.59.59"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FormatLongTime(c.picture, c.time), c.expected) << c.picture;
  }
}

TEST(FormatDateTime, MidnightShowsTheDateAlone) {
  const LocaleFormats german;
  EXPECT_EQ(FormatDateTime(german, At(2007, 12, 19, 10, 15, 2)), "19.12.2007 10:15:02");
  EXPECT_EQ(FormatDateTime(german, At(2026, 12, 6)), "06.12.2026");
  // a second, or a millisecond, past midnight is no longer midnight
  EXPECT_EQ(FormatDateTime(german, At(2026, 12, 6, 0, 0, 1)), "06.12.2026 00:00:01");
  SystemTime justAfter = At(2026, 12, 6);
  justAfter.milliseconds = 500;
  EXPECT_EQ(FormatDateTime(german, justAfter), "06.12.2026 00:00:00");
}

}  // namespace
}  // namespace kdx
