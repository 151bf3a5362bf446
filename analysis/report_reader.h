#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/line_wrap.h"

namespace kdx::analysis {

/// The parts of a report file, in the order the program writes them.
enum class PartKind { Marker, Table, LogFile, Registry, FileList, Checks, End, Unrecognised };

/// A run of consecutive lines; every line of the file belongs to exactly one part.
struct ReportPart {
  PartKind kind = PartKind::Unrecognised;
  std::string_view name;    // the log file's heading without its colon, else empty
  std::uint32_t at = 0;     // its first line (Report::Text)
  std::uint32_t lines = 0;  // and how many lines from there
  std::size_t first = 0;    // 1-based number of its first line in the file
  std::size_t count = 0;    // lines of the file
};

/// The sections of the report table, in collection order.
enum class Section {
  General,
  Memory,
  Drives,
  Services,
  Processes,
  UsbPrinters,
  Ports,
  LabelSoftware,
  Inventory,
  IniFiles,
  TempDir,
  Printers,
  ProgramPaths,
  EventLog,
};
inline constexpr std::size_t kSectionCount = 14;

/// A row of the report table. Its texts are read from its line (Report::Key, Report::Value),
/// so that a report of millions of rows stays small. An event message holds line breaks of its
/// own: its further lines (without a TAB) count among the row's lines.
struct TableRow {
  static constexpr std::uint32_t kNoTab = 0xFFFFFFFF;
  std::uint32_t at = 0;
  std::uint32_t lineCount = 1;
  std::uint32_t tab = kNoTab;  // the key's length; kNoTab for a line whose TAB was stripped
  Section section = Section::General;
};

/// A value line of the registry block: "name"=data. The comment lines after it (an expanded
/// text, the character view of raw bytes) stay lines of the registry part.
struct RegistryValue {
  std::uint32_t at = 0;
  std::uint32_t quote = 0;  // where the closing quote of the name stands
};

/// A key header of the registry block ("[HKEY_...\path]") with its values.
struct RegistryKey {
  std::uint32_t at = 0;
  std::uint32_t firstValue = 0;  // into Report::values
  std::uint32_t valueCount = 0;
};

/// One line of the file list: a copy of a file in one folder. Its texts: Report::Copy.
struct FileCopy {
  std::uint32_t at = 0;
  bool differs = false;  // marked "{Different file}"
};

/// A file name of the file list with its copies, the first copy first.
struct FileEntry {
  std::uint32_t firstCopy = 0;  // into Report::copies
  std::uint32_t copyCount = 0;
};

/// The texts of a file list line, unquoted.
struct FileCopyTexts {
  std::string name, fileVersion, productVersion, folder, size, date, time, company, attributes;
};

/// The nine texts of a file list line as they stand between their quotes (a quote inside
/// doubled); empty fields when the line is not one.
struct FileCopyFields {
  enum { Name, FileVersion, ProductVersion, Folder, Size, Date, Time, Company, Attributes };
  std::string_view raw[9];
  std::size_t depth = 0;  // the copy's place after the entry's first one
  bool differs = false;
  bool valid = false;
};
FileCopyFields ReadFileCopyFields(std::string_view line);
/// A raw field without its doubled quotes.
std::string Unquoted(std::string_view raw);

enum class ReportEnd {
  Complete,  // "END OF KDXINFO"
  Abnormal,  // "ABNORMAL END OF KDXINFO"
  CutShort,  // the file stops without either marker
};

/// What a mail program or an editor did to the lines (the encoding is DecodeReport's matter).
struct Alteration {
  bool blanksStripped = false;  // trailing blanks and TABs taken off the lines
  std::size_t wrapWidth = 0;    // lines broken at this width, 0 when none; read joined again
  bool Any() const { return blanksStripped || wrapWidth != 0; }
};

/// A report file read back into its parts. Its texts are views into the bytes the report was
/// read from, which must outlive it. A line is addressed by its place among the report's
/// lines (Text): in a report re-wrapped by a mail program that is the line joined again, and
/// Number gives the file's own line number for every message and link.
class Report {
 public:
  std::vector<ReportPart> parts;
  std::string_view marker;  // the first line when it is a marker such as "[KDXINFO2.9.2]"
  std::vector<TableRow> rows;
  std::vector<RegistryKey> registry;
  std::vector<RegistryValue> values;
  std::vector<FileEntry> files;
  std::vector<FileCopy> copies;
  std::vector<std::uint32_t> checks;  // the check lines that are not empty
  ReportEnd end = ReportEnd::CutShort;
  Alteration altered;
  /// The rows of each section: they stand together, in section order.
  std::uint32_t sectionRows[kSectionCount + 1] = {};

  std::uint32_t Lines() const { return static_cast<std::uint32_t>(starts_.size()) - 1; }
  std::size_t FileLineCount() const { return fileLines_; }
  std::string_view Text(std::uint32_t at) const { return LineOf(text_, starts_, at); }
  std::size_t Number(std::uint32_t at) const {
    return physical_.empty() ? at + std::size_t{1} : physical_[at];
  }
  /// The line (joined again where it was re-wrapped) that the file's line number begins.
  std::string_view TextOfNumber(std::size_t number) const;

  std::string_view Key(const TableRow& row) const;
  std::string_view Value(const TableRow& row) const;
  /// Key and value at once, the line read once.
  std::pair<std::string_view, std::string_view> KeyValue(const TableRow& row) const;
  std::size_t Number(const TableRow& row) const { return Number(row.at); }
  /// A row's value with its further lines, joined by "\n".
  std::string RowText(const TableRow& row) const;
  const TableRow* RowsBegin(Section section) const;
  const TableRow* RowsEnd(Section section) const;

  std::string_view KeyPath(const RegistryKey& key) const;  // between the brackets
  std::string_view ValueName(const RegistryValue& value) const;
  std::string_view ValueData(const RegistryValue& value) const;  // after "="
  const RegistryValue* ValuesBegin(const RegistryKey& key) const;
  const RegistryValue* ValuesEnd(const RegistryKey& key) const;

  FileCopyFields Fields(const FileCopy& copy) const { return ReadFileCopyFields(Text(copy.at)); }
  FileCopyTexts Copy(const FileCopy& copy) const;
  const FileCopy* CopiesBegin(const FileEntry& entry) const;
  const FileCopy* CopiesEnd(const FileEntry& entry) const;

  /// The bytes the report was read from.
  std::string_view Bytes() const { return bytes_; }

 private:
  friend Report ReadReport(std::string_view bytes);
  std::string_view bytes_;
  std::string_view text_;  // bytes_, or the re-wrapped lines joined again
  std::shared_ptr<const std::string> joined_;
  std::vector<std::uint32_t> starts_ = {0};  // where each line begins, then the end
  std::vector<std::uint32_t> physical_;      // re-wrapped only: each line's number in the file
  std::size_t fileLines_ = 0;
};

/// Reads a report file's bytes (Windows-1252, below 4 GB) into its parts. Never fails: what it
/// does not recognise stays as lines of an unrecognised part. Lines whose trailing TABs and
/// blanks a mail program took off read as the program wrote them; lines it broke at a width
/// are joined again where the layout shows where they belong.
Report ReadReport(std::string_view bytes);

/// The bytes again, written back part by part and line by line.
std::string WriteReport(const Report& report);

/// The name of a part kind, for JSON and for the page.
std::string_view PartName(PartKind kind);

}  // namespace kdx::analysis
