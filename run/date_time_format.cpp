#include "run/date_time_format.h"

#include <array>
#include <cstdio>

namespace kdx {

namespace {

// The names a German Windows gives, in full and abbreviated.
constexpr std::array<const char*, 7> kDayNames = {"Sonntag",    "Montag",  "Dienstag", "Mittwoch",
                                                  "Donnerstag", "Freitag", "Samstag"};
constexpr std::array<const char*, 7> kShortDayNames = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};
constexpr std::array<const char*, 12> kMonthNames = {
    "Januar", "Februar", "März",      "April",   "Mai",      "Juni",
    "Juli",   "August",  "September", "Oktober", "November", "Dezember"};
constexpr std::array<const char*, 12> kShortMonthNames = {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun",
                                                          "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};

std::string Number(unsigned value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "%0*u", digits, value);
  return text;
}

/// Walks a picture: runs of one letter go to element(letter, count); quoted text and every
/// other character are copied.
template <typename Element>
std::string FormatPicture(std::string_view picture, Element element) {
  std::string out;
  std::size_t i = 0;
  while (i < picture.size()) {
    const char c = picture[i];
    if (c == '\'') {
      // Quoted text; two quotes in a row stand for one.
      ++i;
      while (i < picture.size()) {
        if (picture[i] == '\'' && (i + 1 >= picture.size() || picture[i + 1] != '\'')) break;
        if (picture[i] == '\'') ++i;
        out += picture[i++];
      }
      ++i;
      continue;
    }
    std::size_t run = 1;
    while (i + run < picture.size() && picture[i + run] == c) ++run;
    if (!element(c, run, out)) out.append(run, c);
    i += run;
  }
  return out;
}

std::string Year(const SystemTime& time, std::size_t letters) {
  if (letters <= 1) return std::to_string(time.year % 100);
  if (letters == 2) return Number(time.year % 100U, 2);
  return Number(time.year, 4);
}

}  // namespace

std::string FormatShortDate(std::string_view picture, const SystemTime& time) {
  return FormatPicture(picture, [&](char c, std::size_t count, std::string& out) {
    switch (c) {
      case 'd':
        if (count >= 3) {
          out += (count >= 4 ? kDayNames : kShortDayNames)[time.dayOfWeek % 7];
        } else {
          out += Number(time.day, static_cast<int>(count));
        }
        return true;
      case 'M':
        if (count >= 3) {
          out += (count >= 4 ? kMonthNames : kShortMonthNames)[(time.month + 11U) % 12];
        } else {
          out += Number(time.month, static_cast<int>(count));
        }
        return true;
      case 'y':
        out += Year(time, count);
        return true;
      default:
        return false;
    }
  });
}

std::string FormatLongTime(std::string_view picture, const SystemTime& time) {
  return FormatPicture(picture, [&](char c, std::size_t count, std::string& out) {
    const int digits = count >= 2 ? 2 : 1;
    switch (c) {
      case 'H':
        out += Number(time.hour, digits);
        return true;
      case 'h':
        out += Number(time.hour % 12 == 0 ? 12U : time.hour % 12U, digits);
        return true;
      case 'm':
        out += Number(time.minute, digits);
        return true;
      case 's':
        out += Number(time.second, digits);
        return true;
      case 't':
        out += time.hour < 12 ? "A" : "P";
        if (count >= 2) out += 'M';
        return true;
      default:
        return false;
    }
  });
}

std::string FormatDateTime(const LocaleFormats& formats, const SystemTime& time) {
  std::string text = FormatShortDate(formats.shortDate, time);
  // Only the very start of the day counts: a file written half a second after midnight shows
  // its time.
  if (time.hour == 0 && time.minute == 0 && time.second == 0 && time.milliseconds == 0) {
    return text;
  }
  text += ' ';
  text += FormatLongTime(formats.longTime, time);
  return text;
}

}  // namespace kdx
