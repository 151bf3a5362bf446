#pragma once

#include <string>
#include <string_view>

#include "platform/system_facts.h"

namespace kdx {

/// A date in the user locale's short date picture ("dd.MM.yyyy" gives 19.12.2007): d, dd, M, MM,
/// y, yy, yyyy (and more y as yyyy), ddd and dddd, MMM and MMMM with German names, text in
/// single quotes ('' for a quote), anything else as it stands.
std::string FormatShortDate(std::string_view picture, const SystemTime& time);

/// A time in the user locale's long time picture ("HH:mm:ss" gives 09:05:04): h, hh (12-hour),
/// H, HH, m, mm, s, ss, t and tt (A or P, AM or PM), quoted text as in dates.
std::string FormatLongTime(std::string_view picture, const SystemTime& time);

/// A date and time as the report shows them: short date, a blank and the long time; a time
/// of exactly midnight (to the millisecond) shows the date alone.
std::string FormatDateTime(const LocaleFormats& formats, const SystemTime& time);

}  // namespace kdx
