#include "analysis/line_wrap.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

// Mail programs break plain text at 72 to 78 columns; a report's own lines run far longer.
constexpr std::size_t kWidestWrap = 80;
constexpr std::size_t kNarrowestWrap = 40;
constexpr std::size_t kRulerLength = 100;

// Lines that stand at the start of a line in every report: a piece broken off a longer line
// never looks like them.
constexpr std::array<std::string_view, 9> kLayoutLines = {
    "REGEDIT4",       "[REGEDIT END]",  "[FILELIST]",
    "[FILELIST END]", "END OF KDXINFO", "ABNORMAL END OF KDXINFO",
    "KdxError.log:",  "Faultlog.txt:",  "dpinst.log:"};
constexpr std::string_view kDifferentFile = "{Different file}";
// The check lines' beginnings.
constexpr std::array<std::string_view, 7> kCheckLines = {
    "Falscher Datentyp für ",      "Falscher Ländercode für ", "Leerer Default Devmode für: ",
    "KDXMONX ist nicht gestartet", "Registry Key KDXMONX ",    "Falsche Startart für ",
    "Spooler ist nicht gestartet"};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Digits from at, as many as there are (at most 4), and the character after them.
std::size_t DigitsAt(std::string_view line, std::size_t at) {
  std::size_t count = 0;
  while (at + count < line.size() && count < 5 && IsDigit(line[at + count])) ++count;
  return count;
}

// A log entry's date: "06.12.2026", "2026-12-05", "[12/06/26".
bool BeginsWithDate(std::string_view line) {
  if (StartsWith(line, "[")) line.remove_prefix(1);
  std::size_t groups[3] = {0, 0, 0};
  std::size_t at = 0;
  char separator = 0;
  for (std::size_t& group : groups) {
    group = DigitsAt(line, at);
    at += group;
    if (&group == &groups[2]) break;
    if (at >= line.size() || (separator != 0 && line[at] != separator)) return false;
    separator = line[at++];
  }
  const bool day = groups[0] >= 1 && groups[0] <= 2 && groups[1] >= 1 && groups[1] <= 2;
  switch (separator) {
    case '.':
      return day && groups[2] == 4;
    case '/':
      return day && (groups[2] == 2 || groups[2] == 4);
    case '-':
      return groups[0] == 4 && groups[1] == 2 && groups[2] == 2;
    default:
      return false;
  }
}

bool HasBlankWithin(std::string_view line, std::size_t length) {
  return std::memchr(line.data(), ' ', std::min(line.size(), length)) != nullptr;
}

bool IsRulerPiece(std::string_view line) {
  return !line.empty() && line.size() < kRulerLength &&
         line.find_first_not_of('#') == std::string_view::npos;
}

// A registry key header, a value line ("name"=...), a comment, a file list line or one of the
// report's fixed lines.
bool BeginsLayoutLine(std::string_view line) {
  if (line.empty() || line.front() == ';' || StartsWith(line, "[HKEY_")) return true;
  if (std::find(kLayoutLines.begin(), kLayoutLines.end(), line) != kLayoutLines.end()) return true;
  if (line.front() == '"' && line.find("\"=", 1) != std::string_view::npos) return true;
  for (const std::string_view check : kCheckLines) {
    if (StartsWith(line, check)) return true;
  }
  if (BeginsWithDate(line)) return true;
  const std::size_t text = line.find_first_not_of(' ');
  if (text == std::string_view::npos) return false;
  std::string_view rest = line.substr(text);
  if (StartsWith(rest, kDifferentFile)) rest.remove_prefix(kDifferentFile.size());
  return StartsWith(rest, "('");
}

std::size_t FirstWordLength(std::string_view line) {
  const std::size_t blank = line.find_first_of(" \t");
  return blank == std::string_view::npos ? line.size() : blank;
}

// Whether next is the rest of a line the mail program broke after piece: it broke there only
// because next's first word did not fit behind piece any more. A table row keeps its TAB, so a
// line with one is a row of its own, and #s start a line, but for a ruler broken in two.
bool Continues(std::string_view piece, std::string_view next, std::size_t width) {
  if (piece.empty() || BeginsLayoutLine(next)) return false;
  const bool rulerRest = IsRulerPiece(piece) && next.front() == '#';
  if (!rulerRest && (next.front() == '#' || next.find('\t') != std::string_view::npos)) {
    return false;
  }
  const std::size_t end = piece.find_last_not_of(' ');
  const std::size_t length = end == std::string_view::npos ? 0 : end + 1;
  return length + 1 + FirstWordLength(next) > width;
}

}  // namespace

std::vector<std::uint32_t> LineStarts(std::string_view text) {
  std::vector<std::uint32_t> starts;
  // Report lines average some 55 bytes; the estimate spares most of the growing.
  starts.reserve(text.size() / 48 + 2);
  std::size_t start = 0;
  while (start < text.size()) {
    starts.push_back(static_cast<std::uint32_t>(start));
    const void* found = std::memchr(text.data() + start, '\n', text.size() - start);
    if (found == nullptr) break;
    start = static_cast<std::size_t>(static_cast<const char*>(found) - text.data()) + 1;
  }
  starts.push_back(static_cast<std::uint32_t>(text.size()));
  return starts;
}

Wrap FindWrap(std::string_view text, const std::vector<std::uint32_t>& starts) {
  std::size_t longest = 0;
  std::size_t longestBreakable = 0;
  bool longWordKept = false;
  bool pastTable = false;
  for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
    const std::string_view line = LineOf(text, starts, i);
    if (line.size() > kWidestWrap) {
      // A wrapper would have broken this line at its blank.
      if (HasBlankWithin(line, kWidestWrap + 1)) return {};
      longWordKept = true;
      continue;
    }
    longest = std::max(longest, line.size());
    if (line.size() > longestBreakable && HasBlankWithin(line, line.size())) {
      longestBreakable = line.size();
    }
    pastTable =
        pastTable || IsRulerPiece(line) ||
        std::find(kLayoutLines.begin(), kLayoutLines.begin() + 5, line) != kLayoutLines.begin() + 5;
  }
  // A wrapper that cuts words too long for the width leaves no line longer than the width,
  // and pieces of words as long as it; one that keeps them shows the width by its blanks.
  Wrap wrap;
  wrap.wordsCut = !longWordKept;
  wrap.width = wrap.wordsCut ? longest : longestBreakable;
  if (!pastTable || wrap.width < kNarrowestWrap) return {};
  return wrap;
}

JoinedLines JoinWrappedLines(std::string_view text, const std::vector<std::uint32_t>& starts,
                             const Wrap& wrap) {
  JoinedLines joined;
  joined.text.reserve(text.size());
  const std::size_t count = starts.size() - 1;
  for (std::size_t i = 0; i < count;) {
    std::string_view piece = LineOf(text, starts, i);
    joined.numbers.push_back(static_cast<std::uint32_t>(i + 1));
    joined.text.append(piece);
    for (++i; i < count; ++i) {
      const std::string_view next = LineOf(text, starts, i);
      if (!Continues(piece, next, wrap.width)) break;
      // A break at a blank took the blank unless the piece kept it; a word too long for the
      // width was cut at the width itself.
      const bool cut =
          wrap.wordsCut && piece.size() == wrap.width && !HasBlankWithin(piece, piece.size());
      if (piece.back() != ' ' && !cut) joined.text.push_back(' ');
      joined.text.append(next);
      piece = next;
      ++joined.joins;
    }
    joined.text.push_back('\n');
  }
  return joined;
}

}  // namespace kdx::analysis
