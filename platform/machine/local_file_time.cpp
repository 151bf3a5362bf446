#include "platform/machine/local_file_time.h"

#include <chrono>

namespace kdx {

namespace {

using std::chrono::days;
using std::chrono::sys_days;

constexpr std::int64_t kTicksPerSecond = kFileTimeTicksPerSecond;

std::int64_t UnixSecondsOfLocal(const SystemTime& local, int utcOffsetMinutes) {
  const sys_days day =
      std::chrono::year(local.year) / std::chrono::month(local.month) / std::chrono::day(local.day);
  return day.time_since_epoch().count() * 86400LL + local.hour * 3600LL + local.minute * 60LL +
         local.second - utcOffsetMinutes * 60LL;
}

}  // namespace

std::uint64_t FileTimeOfLocalTime(const SystemTime& local, int utcOffsetMinutes) {
  const std::int64_t seconds = UnixSecondsOfLocal(local, utcOffsetMinutes) + kSeconds1601To1970;
  return static_cast<std::uint64_t>(seconds * kTicksPerSecond +
                                    local.milliseconds * (kTicksPerSecond / 1000));
}

SystemTime LocalTimeOfFileTime(std::uint64_t fileTime, int utcOffsetMinutes) {
  const auto ticks = static_cast<std::int64_t>(fileTime);
  const std::int64_t seconds =
      ticks / kTicksPerSecond - kSeconds1601To1970 + utcOffsetMinutes * 60LL;
  const std::int64_t dayNumber = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
  const std::int64_t secondOfDay = seconds - dayNumber * 86400;
  const sys_days day{days(dayNumber)};
  const std::chrono::year_month_day date{day};
  SystemTime time;
  time.year = static_cast<std::uint16_t>(static_cast<int>(date.year()));
  time.month = static_cast<std::uint16_t>(static_cast<unsigned>(date.month()));
  time.day = static_cast<std::uint16_t>(static_cast<unsigned>(date.day()));
  time.dayOfWeek = static_cast<std::uint16_t>(std::chrono::weekday(day).c_encoding());
  time.hour = static_cast<std::uint16_t>(secondOfDay / 3600);
  time.minute = static_cast<std::uint16_t>(secondOfDay / 60 % 60);
  time.second = static_cast<std::uint16_t>(secondOfDay % 60);
  time.milliseconds = static_cast<std::uint16_t>(ticks % kTicksPerSecond / 10000);
  return time;
}

}  // namespace kdx
