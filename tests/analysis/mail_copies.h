#pragma once

#include <string>
#include <string_view>

namespace kdx::test {

// Reports as mail programs pass them on.

/// Every line without the blanks and TABs at its end.
inline std::string Stripped(std::string_view report) {
  std::string out;
  std::size_t start = 0;
  while (start < report.size()) {
    std::size_t end = report.find("\r\n", start);
    if (end == std::string_view::npos) end = report.size();
    std::string_view line = report.substr(start, end - start);
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
    out.append(line);
    out.append(report.substr(end, 2));
    start = end + 2;
  }
  return out;
}

/// Every line longer than width broken at its last blank within the width (the blank taken),
/// a word longer than the width cut at it, or kept whole when cutWords is false.
inline std::string Rewrapped(std::string_view report, std::size_t width, bool cutWords) {
  std::string out;
  std::size_t start = 0;
  while (start < report.size()) {
    std::size_t end = report.find("\r\n", start);
    if (end == std::string_view::npos) end = report.size();
    std::string_view line = report.substr(start, end - start);
    while (line.size() > width) {
      std::size_t blank = line.substr(0, width + 1).rfind(' ');
      if (blank == 0 || blank == std::string_view::npos) {
        if (!cutWords) {
          blank = line.find(' ', width);
          if (blank == std::string_view::npos) break;
        } else {
          out.append(line.substr(0, width)).append("\r\n");
          line.remove_prefix(width);
          continue;
        }
      }
      out.append(line.substr(0, blank)).append("\r\n");
      line.remove_prefix(blank + 1);
    }
    out.append(line);
    out.append(report.substr(end, 2));
    start = end + 2;
  }
  return out;
}

}  // namespace kdx::test
