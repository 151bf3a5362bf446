#include "platform/formats/ini_file.h"

#include <algorithm>

#include "platform/text_encoding.h"

namespace kdx {

namespace {

// The blanks of the profile functions: ASCII white space and ^Z, the DOS end-of-file mark
// that old files carry; a no-break space is no blank.
bool IsBlank(char16_t unit) {
  return (unit >= 0x09 && unit <= 0x0D) || unit == 0x1A || unit == 0x20;
}

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Names and values live as C strings inside Windows: an embedded NUL ends them.
std::u16string UpToNul(std::u16string_view text) {
  return std::u16string(text.substr(0, text.find(u'\0')));
}

// Windows reads a file that starts with the UTF-16LE byte-order mark as UTF-16 and any other
// as ANSI, one with a UTF-8 or a big-endian UTF-16 mark included (Wine decodes both). An odd
// last byte is no character.
std::u16string DecodeIniText(std::string_view bytes) {
  if (bytes.size() < 2 || bytes[0] != '\xFF' || bytes[1] != '\xFE') return AnsiToUtf16(bytes);
  std::u16string units;
  units.reserve(bytes.size() / 2);
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
    units.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                          (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return units;
}

// Only the ASCII letters compare without case: Wine's profile functions fold no other letter,
// and nothing shows Windows folding more.
char16_t FoldCase(char16_t unit) {
  return unit >= u'A' && unit <= u'Z' ? static_cast<char16_t>(unit + 0x20) : unit;
}

std::u16string Folded(std::u16string_view text) {
  std::u16string folded(text);
  for (char16_t& c : folded) c = FoldCase(c);
  return folded;
}

// The names asked for arrive as C strings of the A call.
std::u16string QueryText(std::string_view text) {
  return AnsiToUtf16(text.substr(0, text.find('\0')));
}

// NUL-separated names as the profile functions fill a buffer of bufferSize characters: a list
// that does not fit, or just fits, is cut to bufferSize - 2 characters, the last name that
// reaches into the cut shortened (the count then excludes the final NUL).
std::u16string FittingList(const std::vector<std::u16string_view>& names, std::size_t bufferSize) {
  std::u16string list;
  if (bufferSize < 2) return list;
  std::size_t room = bufferSize - 1;
  for (const auto name : names) {
    if (name.size() + 1 >= room) {
      list.append(name.substr(0, room - 1));
      return list;
    }
    list.append(name);
    list.push_back(u'\0');
    room -= name.size() + 1;
  }
  return list;
}

// A value or default text as the profile functions copy it into a buffer of bufferSize
// characters, one pair of enclosing quotes dropped. Where the text less its opening quote
// just fills the buffer, the closing quote is already cut off and the character before it
// goes instead (Wine does so; Windows is not known to differ).
std::u16string CopiedEntry(std::u16string_view text, std::size_t bufferSize) {
  const bool quoted = text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
                      text.back() == text.front();
  if (quoted) text.remove_prefix(1);
  std::u16string copy(text.substr(0, std::min(text.size(), bufferSize - 1)));
  if (quoted && bufferSize >= text.size() && !copy.empty()) copy.pop_back();
  return copy;
}

// Trailing spaces leave a default text of a value read, but never its first character.
std::u16string_view WithoutTrailingSpaces(std::u16string_view text) {
  while (text.size() > 1 && text.back() == u' ') text.remove_suffix(1);
  return text;
}

}  // namespace

IniFile::IniFile(std::string_view bytes) : sections_(1) {
  const std::u16string text = DecodeIniText(bytes);
  const std::u16string_view view = text;
  std::size_t position = 0;
  while (position < view.size()) {
    const std::size_t start = position;
    while (position < view.size() && view[position] != u'\n' && view[position] != u'\r') {
      ++position;
    }
    const std::size_t end = position;
    while (position < view.size() && (view[position] == u'\n' || view[position] == u'\r')) {
      ++position;
    }
    AddLine(view.substr(start, end - start));
  }
  // Each lookup goes to the first section of a name: one pass finds them all.
  for (std::size_t index = 1; index < sections_.size(); ++index) {
    Section& section = sections_[index];
    if (!firstSection_.emplace(Folded(section.name), index).second) continue;
    for (std::size_t entry = 0; entry < section.entries.size(); ++entry) {
      section.firstEntry.emplace(Folded(section.entries[entry].name), entry);
    }
  }
}

void IniFile::AddLine(std::u16string_view line) {
  line = TrimBlanks(line);
  if (line.empty()) return;
  const std::size_t close = line.rfind(u']');
  if (line.front() == u'[' && close != std::u16string_view::npos) {
    sections_.push_back({UpToNul(TrimBlanks(line.substr(1, close - 1))), {}, {}});
    return;
  }
  AddEntry(line);
}

void IniFile::AddEntry(std::u16string_view line) {
  std::u16string_view name = line;
  std::optional<std::u16string> value;
  if (const std::size_t equals = line.find(u'='); equals != std::u16string_view::npos) {
    name = TrimBlanks(line.substr(0, equals));
    value = UpToNul(TrimBlanks(line.substr(equals + 1)));
  }
  // Of consecutive lines without a name, only the first counts.
  std::vector<Entry>& entries = sections_.back().entries;
  if (name.empty() && !entries.empty() && entries.back().name.empty()) return;
  entries.push_back({UpToNul(name), std::move(value)});
}

// The lines before the first section are out of reach: an empty name finds a "[]" section,
// as on Windows (Wine finds those lines instead).
const IniFile::Section* IniFile::FindSection(std::u16string_view name) const {
  const auto found = firstSection_.find(Folded(name));
  return found == firstSection_.end() ? nullptr : &sections_[found->second];
}

std::u16string IniFile::SectionNames(std::size_t bufferSize) const {
  std::vector<std::u16string_view> names;
  for (auto section = sections_.begin() + 1; section != sections_.end(); ++section) {
    if (!section->name.empty()) names.emplace_back(section->name);
  }
  return FittingList(names, bufferSize);
}

std::u16string IniFile::KeyNames(std::u16string_view section, std::u16string_view defaultText,
                                 std::size_t bufferSize) const {
  std::vector<std::u16string_view> names;
  if (const Section* found = FindSection(section)) {
    for (const Entry& entry : found->entries) {
      const bool comment = !entry.name.empty() && entry.name.front() == u';';
      if (entry.value && !comment) names.emplace_back(entry.name);
    }
  }
  std::u16string list = FittingList(names, bufferSize);
  if (list.empty() || list.front() == u'\0') list = CopiedEntry(defaultText, bufferSize);
  return list;
}

std::u16string IniFile::Value(std::u16string_view section, std::u16string_view key,
                              std::u16string_view defaultText, std::size_t bufferSize) const {
  if (const Section* found = FindSection(TrimBlanks(section))) {
    const auto entry = found->firstEntry.find(Folded(TrimBlanks(key)));
    if (entry != found->firstEntry.end() && found->entries[entry->second].value)
      return CopiedEntry(*found->entries[entry->second].value, bufferSize);
  }
  return CopiedEntry(WithoutTrailingSpaces(defaultText), bufferSize);
}

std::string IniFile::ProfileString(const std::optional<std::string>& section,
                                   const std::optional<std::string>& key,
                                   const std::string& defaultText, std::size_t bufferSize) const {
  if (bufferSize == 0) return {};
  if (!section) return Utf16ToAnsi(SectionNames(bufferSize));
  const std::u16string defaultUnits = QueryText(defaultText);
  if (!key) return Utf16ToAnsi(KeyNames(QueryText(*section), defaultUnits, bufferSize));
  return Utf16ToAnsi(Value(QueryText(*section), QueryText(*key), defaultUnits, bufferSize));
}

}  // namespace kdx
