#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "analysis/render.h"

namespace kdx::analysis {

// What the pages of `kdxinfo read --html` and `kdxinfo diff --html` share: UTF-8, no scripts,
// one style sheet, lines that keep their words whole and wrap only what has no room.

/// Windows-1252 text made safe for the page, in UTF-8.
std::string Escaped(std::string_view cp1252);
/// Escaped, with a place to break after each backslash, comma and semicolon: a path or a
/// value of hex bytes wraps between its pieces rather than within a word.
std::string EscapedBreakable(std::string_view cp1252);
/// A file name as the command line gave it (the terminal's encoding), made safe for the page.
std::string EscapedName(std::string_view name);
/// Markup of the program's own that holds Windows-1252 letters, in UTF-8.
std::string Markup(std::string_view cp1252);
std::string Num(std::size_t number);

/// The page up to its <body>, with the title (already escaped) and further style rules.
std::string PageHead(const std::string& title, Language language, std::string_view style);

/// Lines of a report, each with its number and the id prefix + number to link to.
std::string LinesHtml(const Report& report, std::uint32_t begin, std::uint32_t end,
                      std::string_view idPrefix);

}  // namespace kdx::analysis
