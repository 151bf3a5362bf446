#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kdx::analysis {

/// Where each line of text begins, with the text's end last. A line ends at LF, as editors and
/// grep count them; a CR before the LF belongs to the line end, a lone CR to the line.
std::vector<std::uint32_t> LineStarts(std::string_view text);

/// A line of text without its line end.
inline std::string_view LineOf(std::string_view text, const std::vector<std::uint32_t>& starts,
                               std::size_t index) {
  const std::size_t begin = starts[index];
  std::size_t end = starts[index + 1];
  if (end > begin && text[end - 1] == '\n') {
    --end;
    if (end > begin && text[end - 1] == '\r') --end;
  }
  return text.substr(begin, end - begin);
}

/// How a mail program broke the report's lines: at a width, at blanks, and words too long for
/// the width either cut at it or kept whole. Recognised when no line longer than 80 has a
/// blank to break at within its first 81 bytes, the lines fit a width of 40 to 80, and the
/// report goes on past its table (its registry frame, or a ruler broken in two), which a
/// report of such short lines cannot. width is 0 for lines as the program wrote them.
struct Wrap {
  std::size_t width = 0;
  bool wordsCut = false;
};
Wrap FindWrap(std::string_view text, const std::vector<std::uint32_t>& starts);

/// The lines joined again where a mail program broke them at width.
struct JoinedLines {
  std::string text;                    // the joined lines, each ended by LF
  std::vector<std::uint32_t> numbers;  // each joined line's first line number in the file
  std::size_t joins = 0;               // how many breaks were taken back
};
JoinedLines JoinWrappedLines(std::string_view text, const std::vector<std::uint32_t>& starts,
                             const Wrap& wrap);

}  // namespace kdx::analysis
