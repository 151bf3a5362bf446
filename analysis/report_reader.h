#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kdx::analysis {

/// One line of a report file: its bytes without the terminator, and the terminator as it
/// stands ("\r\n", "\n", or empty for a last line without one). A line ends at LF only, as
/// editors and grep count them: a lone CR (a registry byte in a character view) stays inside.
struct ReportLine {
  std::string_view text;
  std::string_view terminator;
};

/// The parts of a report file, in the order the program writes them.
enum class PartKind { Marker, Table, LogFile, Registry, FileList, Checks, End, Unrecognised };

/// A run of consecutive lines; every line of the file belongs to exactly one part.
struct ReportPart {
  PartKind kind = PartKind::Unrecognised;
  std::string_view name;  // the log file's heading without its colon, else empty
  std::size_t first = 0;  // 1-based number of the part's first line
  std::size_t count = 0;
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

/// A row of the report table. An event message holds line breaks of its own: its further
/// lines (without a TAB) follow the row's first line and count among its lines.
struct TableRow {
  std::size_t line = 0;  // 1-based
  std::size_t lineCount = 1;
  Section section = Section::General;
  std::string_view key;
  std::string_view value;  // the first line's part after the TAB
};

/// A value line of the registry block. The comment lines after it (an expanded text, the
/// character view of raw bytes) stay lines of the registry part.
struct RegistryValue {
  std::size_t line = 0;
  std::string_view name;
  std::string_view data;  // after "=": "\"text\"", "dword:...", "hex:..."
};

/// A key header of the registry block ("[HKEY_...\path]") and its values.
struct RegistryKey {
  std::size_t line = 0;
  std::string_view path;  // between the brackets
  std::vector<RegistryValue> values;
};

/// One line of the file list: a copy of a file in one folder.
struct FileCopy {
  std::size_t line = 0;
  bool differs = false;  // marked "{Different file}"
  std::string name, fileVersion, productVersion, folder, size, date, time, company, attributes;
};

/// A file name of the file list with its copies, the first copy first.
struct FileEntry {
  std::vector<FileCopy> copies;
};

struct CheckLine {
  std::size_t line = 0;
  std::string_view text;
};

enum class ReportEnd {
  Complete,  // "END OF KDXINFO"
  Abnormal,  // "ABNORMAL END OF KDXINFO"
  CutShort,  // the file stops without either marker
};

/// A report file read back into its parts. The texts are views into the bytes the report was
/// read from, which must outlive it.
struct Report {
  std::vector<ReportLine> lines;
  std::vector<ReportPart> parts;
  std::string_view marker;  // the first line when it is a marker such as "[KDXINFO2.9.2]"
  std::vector<TableRow> rows;
  std::vector<RegistryKey> registry;
  std::vector<FileEntry> files;
  std::vector<CheckLine> checks;
  ReportEnd end = ReportEnd::CutShort;

  /// The line of this 1-based number.
  std::string_view Line(std::size_t number) const { return lines[number - 1].text; }
};

/// Reads a report file's bytes (Windows-1252) into its parts. Never fails: what it does not
/// recognise stays as lines of an unrecognised part.
Report ReadReport(std::string_view bytes);

/// The bytes again, written back part by part and line by line.
std::string WriteReport(const Report& report);

/// A row's value with its further lines, joined by "\n".
std::string RowText(const Report& report, const TableRow& row);

/// The name of a part kind or a section, for the renderers.
std::string_view PartName(PartKind kind);
std::string_view SectionName(Section section);

}  // namespace kdx::analysis
