#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kdx {

/// An INI file as GetPrivateProfileStringA reads it, for the simulated machine.
///
/// The file is ANSI (Windows-1252) unless it starts with the UTF-16LE byte-order mark FF FE;
/// a UTF-8 or big-endian UTF-16 byte-order mark is not recognised and stays part of the first
/// line, as on Windows. Lines end at any run of CR and LF. Blanks (tab to CR, ^Z and
/// space) around a line, a section name, a key and a value are dropped. "[name]" starts a
/// section (up to the last ']' of the line); any other line is a key, its value being the
/// text after the first '=' (a line without '=' is a key without value). A name or value ends
/// at a NUL byte inside it. Lines before the first section belong to no section.
class IniFile {
 public:
  /// Reads the file's bytes; an empty file reads like a missing one.
  explicit IniFile(std::string_view bytes);

  /// The text GetPrivateProfileStringA(section, key, defaultText, buffer, bufferSize) leaves
  /// in its buffer, up to the count it returns (so the result's size is that count):
  /// - no section: the section names in file order, each followed by a NUL (a duplicate
  ///   section is listed twice, a nameless one not at all);
  /// - a section and no key: the key names of the first section of that name that have a
  ///   value and do not start with ';', each followed by a NUL; when the list is empty (or
  ///   starts with an empty name) the default text instead;
  /// - a section and a key: the value of the first such key in the first section of that
  ///   name, else the default text less trailing spaces; one pair of enclosing quotes (" or ')
  ///   is dropped from either.
  /// A list that does not fit is cut to bufferSize - 2 characters, its last name shortened;
  /// a value is cut to bufferSize - 1 characters. Names compare without case and, for a value,
  /// without surrounding blanks. Characters 1252 lacks (from a UTF-16 file) come out as
  /// Windows' A functions give them (best fit, else '?').
  std::string ProfileString(const std::optional<std::string>& section,
                            const std::optional<std::string>& key, const std::string& defaultText,
                            std::size_t bufferSize) const;

 private:
  struct Entry {
    std::u16string name;
    std::optional<std::u16string> value;
  };
  struct Section {
    std::u16string name;
    std::vector<Entry> entries;
    /// The index of the first entry of each name, by its case-folded name (in the first
    /// section of a name only, the one lookups reach).
    std::unordered_map<std::u16string, std::size_t> firstEntry;
  };

  void AddLine(std::u16string_view line);
  void AddEntry(std::u16string_view line);
  const Section* FindSection(std::u16string_view name) const;
  std::u16string SectionNames(std::size_t bufferSize) const;
  std::u16string KeyNames(std::u16string_view section, std::u16string_view defaultText,
                          std::size_t bufferSize) const;
  std::u16string Value(std::u16string_view section, std::u16string_view key,
                       std::u16string_view defaultText, std::size_t bufferSize) const;

  // sections_[0] holds the lines before the first section header.
  std::vector<Section> sections_;
  /// The index of the first section of each name, by its case-folded name.
  std::unordered_map<std::u16string, std::size_t> firstSection_;
};

}  // namespace kdx
