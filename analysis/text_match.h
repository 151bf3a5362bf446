#pragma once

#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/upcase.h"

namespace kdx::analysis {

// Report texts are Windows-1252; the report's own filters compare letters a to z without
// case and leave every other byte alone, and so do these.

inline bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

inline bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

inline bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpcaseAsciiChar(a[i]) != UpcaseAsciiChar(b[i])) return false;
  }
  return true;
}

inline bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         EqualsNoCase(text.substr(text.size() - suffix.size()), suffix);
}

inline bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

/// Where part occurs in text, letters a to z compared without case; npos when nowhere.
inline std::size_t FindNoCase(std::string_view text, std::string_view part) {
  if (part.empty()) return 0;
  if (text.size() < part.size()) return std::string_view::npos;
  const char first = UpcaseAsciiChar(part.front());
  const char lower = first >= 'A' && first <= 'Z' ? static_cast<char>(first + 32) : first;
  const std::size_t last = text.size() - part.size();
  for (std::size_t i = 0; i <= last; ++i) {
    // The first letter in either case, found fast where it cannot be a letter.
    if (first == lower) {
      i = text.find(first, i);
      if (i == std::string_view::npos || i > last) return std::string_view::npos;
    } else if (text[i] != first && text[i] != lower) {
      continue;
    }
    if (EqualsNoCase(text.substr(i, part.size()), part)) return i;
  }
  return std::string_view::npos;
}

inline bool ContainsNoCase(std::string_view text, std::string_view part) {
  return FindNoCase(text, part) != std::string_view::npos;
}

template <typename Parts>
bool ContainsAnyNoCase(std::string_view text, const Parts& parts) {
  return std::any_of(std::begin(parts), std::end(parts),
                     [&](std::string_view part) { return ContainsNoCase(text, part); });
}

/// The pieces joined into one text.
inline std::string Cat(std::initializer_list<std::string_view> pieces) {
  std::size_t size = 0;
  for (const std::string_view piece : pieces) size += piece.size();
  std::string text;
  text.reserve(size);
  for (const std::string_view piece : pieces) text.append(piece);
  return text;
}

/// text without the blanks at either end.
inline std::string_view Trimmed(std::string_view text) {
  const std::size_t start = text.find_first_not_of(' ');
  if (start == std::string_view::npos) return {};
  return text.substr(start, text.find_last_not_of(' ') + 1 - start);
}

}  // namespace kdx::analysis
