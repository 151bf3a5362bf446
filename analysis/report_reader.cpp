#include "analysis/report_reader.h"

#include <algorithm>
#include <array>
#include <limits>

#include "analysis/line_wrap.h"
#include "analysis/text_match.h"
#include "run/report_table.h"

namespace kdx::analysis {
namespace {

constexpr std::string_view kRegistryHeading = "REGEDIT4";
constexpr std::string_view kRegistryEnd = "[REGEDIT END]";
constexpr std::string_view kFileListStart = "[FILELIST]";
constexpr std::string_view kFileListEnd = "[FILELIST END]";
constexpr std::string_view kEnd = "END OF KDXINFO";
constexpr std::string_view kAbnormalEnd = "ABNORMAL END OF KDXINFO";
constexpr std::string_view kDifferentFile = "{Different file}";
constexpr std::array<std::string_view, 3> kLogHeadings = {
    "KdxError.log:", "Faultlog.txt:", "dpinst.log:"};

bool IsMarker(std::string_view line) {
  return StartsWith(line, "[KDXINFO") && line.size() > 9 && line.back() == ']';
}

bool IsLogHeading(std::string_view line) {
  return std::find(kLogHeadings.begin(), kLogHeadings.end(), line) != kLogHeadings.end();
}

// Splits the lines into parts by the markers and frames the program writes between them.
class PartSplitter {
 public:
  explicit PartSplitter(const Report& report) : report_(report), count_(report.Lines()) {}

  std::vector<ReportPart> Split() {
    if (count_ == 0) return std::move(parts_);
    if (!IsMarker(report_.Text(0))) {
      Open(PartKind::Unrecognised, 0);
      return Close(count_);
    }
    Open(PartKind::Marker, 0);
    Open(PartKind::Table, 1);
    for (std::uint32_t i = 1; i < count_; ++i) {
      if (Step(i)) break;
    }
    return Close(count_);
  }

 private:
  // The frame before a log file and before the registry block: ruler, empty line, heading.
  std::string_view HeadingAfterRuler(std::uint32_t i) const {
    if (i + 2 >= count_ || report_.Text(i) != Ruler() || !report_.Text(i + 1).empty()) return {};
    const std::string_view heading = report_.Text(i + 2);
    return (IsLogHeading(heading) || heading == kRegistryHeading) ? heading : std::string_view{};
  }

  // Looks at line i in the current part; true once the end marker is placed.
  bool Step(std::uint32_t i) {
    const std::string_view text = report_.Text(i);
    const bool last = i + 1 == count_;
    if (text == kAbnormalEnd && last) {
      Open(PartKind::End, i);
      return true;
    }
    switch (current_.kind) {
      case PartKind::Table:
      case PartKind::LogFile: {
        const std::string_view heading = HeadingAfterRuler(i);
        if (heading == kRegistryHeading) {
          Open(PartKind::Registry, i);
        } else if (!heading.empty()) {
          Open(PartKind::LogFile, i, heading.substr(0, heading.size() - 1));
        }
        break;
      }
      case PartKind::Registry:
        if (text == kFileListStart) Open(PartKind::FileList, i);
        break;
      case PartKind::FileList:
        if (text == kFileListEnd) Open(PartKind::Checks, i + 1);
        break;
      case PartKind::Checks:
        if (text == kEnd) {
          Open(PartKind::End, i);
          if (!last) Open(PartKind::Unrecognised, i + 1);
          return true;
        }
        break;
      default:
        break;
    }
    return false;
  }

  void Open(PartKind kind, std::uint32_t index, std::string_view name = {}) {
    if (index >= count_) return;
    if (open_) Close(index);
    current_ = ReportPart{};
    current_.kind = kind;
    current_.name = name;
    current_.at = index;
    open_ = true;
  }

  std::vector<ReportPart>& Close(std::uint32_t endIndex) {
    if (open_) {
      current_.lines = endIndex - current_.at;
      if (current_.lines > 0) parts_.push_back(current_);
      open_ = false;
    }
    return parts_;
  }

  const Report& report_;
  const std::uint32_t count_;
  std::vector<ReportPart> parts_;
  ReportPart current_;
  bool open_ = false;
};

struct SectionOpening {
  std::string_view key;
  Section section;
};

constexpr std::array<SectionOpening, 13> kSectionOpenings = {{
    {"SPEICHER", Section::Memory},
    {"Laufwerke", Section::Drives},
    {"Services:", Section::Services},
    {"Laufende Prozesse:", Section::Processes},
    {"USB Drucker:", Section::UsbPrinters},
    {"Druckeranschlüsse:", Section::Ports},
    {"WIN3.1 INI-Datei", Section::LabelSoftware},
    {"Software V4", Section::LabelSoftware},
    {"Software V5", Section::LabelSoftware},
    {"########", Section::Inventory},
    {"[Check TEMP Dir]", Section::TempDir},
    {"##########", Section::Printers},
    {"App Paths:", Section::ProgramPaths},
}};

// The section a row opens, given the section it stands in: sections come in collection order,
// so a heading of an earlier or the same section (the second "##########") opens nothing.
Section SectionOf(std::string_view key, std::string_view value, Section current) {
  if (current == Section::EventLog || key == Ruler()) return Section::EventLog;
  // Every heading but the win.ini dump's starts with one of these.
  if (key.empty() || std::string_view("SLDWU#[AI").find(key.front()) == std::string_view::npos) {
    return current;
  }
  Section opened = current;
  for (const SectionOpening& opening : kSectionOpenings) {
    if (opening.key == key) opened = opening.section;
  }
  if (key == "INI-Datei" && EndsWithNoCase(value, "\\win.ini")) opened = Section::IniFiles;
  return opened > current ? opened : current;
}

// The table's rows. A line without a TAB continues an event message; anywhere else it is a row
// whose empty value a mail program took off with the TAB before it. The empty lines after the
// last row, but for an event message's own, are the frame of what follows (a log file, the
// registry block), no rows.
void ReadTable(Report& report, const ReportPart& part) {
  std::uint32_t frame = part.at + part.lines;
  while (frame > part.at && report.Text(frame - 1).empty()) --frame;
  Section section = Section::General;
  bool inMessage = false;
  bool afterRecord = false;  // an event record's row ("TYPE|Source", date) came last
  report.rows.reserve(part.lines);
  for (std::uint32_t at = part.at; at < part.at + part.lines; ++at) {
    const std::string_view text = report.Text(at);
    const std::size_t tab = text.find('\t');
    if (tab == std::string_view::npos && inMessage) {
      ++report.rows.back().lineCount;
      continue;
    }
    if (at >= frame) break;
    if (tab == std::string_view::npos && text.empty()) report.altered.blanksStripped = true;
    TableRow row;
    row.at = at;
    row.tab = tab == std::string_view::npos ? TableRow::kNoTab : static_cast<std::uint32_t>(tab);
    const std::string_view key = text.substr(0, tab);
    const std::string_view value =
        tab == std::string_view::npos ? std::string_view{} : text.substr(tab + 1);
    section = SectionOf(key, value, section);
    row.section = section;
    inMessage = section == Section::EventLog && tab == 0 && afterRecord;
    afterRecord = section == Section::EventLog && key.find('|') != std::string_view::npos;
    report.rows.push_back(row);
  }
}

// Skips the further lines of a character view: every LF byte of the raw data broke it once.
std::uint32_t CharacterViewLines(std::string_view data) {
  if (!StartsWith(data, "hex:")) return 0;
  std::uint32_t breaks = 0;
  for (std::size_t at = 4; at + 1 < data.size(); at += 3) {
    if (data[at] == '0' && data[at + 1] == 'A') ++breaks;
  }
  return breaks;
}

void ReadRegistry(Report& report, const ReportPart& part) {
  const std::uint32_t end = part.at + part.lines;
  report.values.reserve(part.lines);
  std::uint32_t at = part.at;
  while (at < end && report.Text(at) != kRegistryHeading) ++at;
  for (++at; at < end; ++at) {
    const std::string_view text = report.Text(at);
    if (text == kRegistryEnd) return;
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
      report.registry.push_back({at, static_cast<std::uint32_t>(report.values.size()), 0});
    } else if (!text.empty() && text.front() == '"' && !report.registry.empty()) {
      const std::size_t quote = text.find("\"=", 1);
      if (quote == std::string_view::npos) continue;
      report.values.push_back({at, static_cast<std::uint32_t>(quote)});
      ++report.registry.back().valueCount;
      if (at + 1 < end && StartsWith(report.Text(at + 1), ";")) {
        at += 1 + CharacterViewLines(text.substr(quote + 2));
      }
    }
  }
}

// One quoted text of a file list line, its inner quotes doubled; false when the line breaks
// off.
bool ReadQuoted(std::string_view text, std::size_t& at, std::string_view& out) {
  if (at >= text.size() || text[at] != '\'') return false;
  const std::size_t start = ++at;
  while ((at = text.find('\'', at)) != std::string_view::npos) {
    if (at + 1 < text.size() && text[at + 1] == '\'') {
      at += 2;
      continue;
    }
    out = text.substr(start, at - start);
    ++at;
    return true;
  }
  return false;
}

void ReadFileList(Report& report, const ReportPart& part) {
  report.copies.reserve(part.lines);
  for (std::uint32_t at = part.at + 1; at < part.at + part.lines; ++at) {
    const std::string_view text = report.Text(at);
    if (text == kFileListEnd) return;
    const FileCopyFields fields = ReadFileCopyFields(text);
    if (!fields.valid) continue;
    if (fields.depth == 0 || report.files.empty()) {
      report.files.push_back({static_cast<std::uint32_t>(report.copies.size()), 0});
    }
    report.copies.push_back({at, fields.differs});
    ++report.files.back().copyCount;
  }
}

void ReadChecks(Report& report, const ReportPart& part) {
  for (std::uint32_t at = part.at; at < part.at + part.lines; ++at) {
    if (!report.Text(at).empty()) report.checks.push_back(at);
  }
}

void IndexSections(Report& report) {
  std::size_t row = 0;
  for (std::size_t section = 0; section <= kSectionCount; ++section) {
    while (row < report.rows.size() &&
           static_cast<std::size_t>(report.rows[row].section) < section) {
      ++row;
    }
    report.sectionRows[section] = static_cast<std::uint32_t>(row);
  }
}

}  // namespace

FileCopyFields ReadFileCopyFields(std::string_view line) {
  FileCopyFields fields;
  std::size_t at = line.find_first_not_of(' ');
  if (at == std::string_view::npos || at % 2 != 0) return fields;
  fields.depth = at / 2;
  if (line.substr(at, kDifferentFile.size()) == kDifferentFile) {
    fields.differs = true;
    at += kDifferentFile.size();
  }
  if (at >= line.size() || line[at] != '(') return fields;
  ++at;
  for (std::size_t i = 0; i < std::size(fields.raw); ++i) {
    if (!ReadQuoted(line, at, fields.raw[i])) return fields;
    const char separator = i + 1 < std::size(fields.raw) ? ',' : ')';
    if (at >= line.size() || line[at] != separator) return fields;
    ++at;
  }
  fields.valid = line.substr(at) == ",";
  return fields;
}

std::string Unquoted(std::string_view raw) {
  std::string text;
  text.reserve(raw.size());
  for (std::size_t i = 0; i < raw.size(); ++i) {
    text.push_back(raw[i]);
    if (raw[i] == '\'' && i + 1 < raw.size() && raw[i + 1] == '\'') ++i;
  }
  return text;
}

std::string_view Report::TextOfNumber(std::size_t number) const {
  if (physical_.empty()) {
    return number >= 1 && number <= Lines() ? Text(static_cast<std::uint32_t>(number - 1)) : "";
  }
  const auto found = std::upper_bound(physical_.begin(), physical_.end(), number);
  if (found == physical_.begin()) return "";
  return Text(static_cast<std::uint32_t>(found - physical_.begin() - 1));
}

std::string_view Report::Key(const TableRow& row) const {
  const std::string_view text = Text(row.at);
  return row.tab == TableRow::kNoTab ? text : text.substr(0, row.tab);
}

std::string_view Report::Value(const TableRow& row) const {
  return row.tab == TableRow::kNoTab ? std::string_view{} : Text(row.at).substr(row.tab + 1);
}

std::pair<std::string_view, std::string_view> Report::KeyValue(const TableRow& row) const {
  const std::string_view text = Text(row.at);
  if (row.tab == TableRow::kNoTab) return {text, {}};
  return {text.substr(0, row.tab), text.substr(row.tab + 1)};
}

std::string Report::RowText(const TableRow& row) const {
  std::string text(Value(row));
  for (std::uint32_t i = 1; i < row.lineCount; ++i) {
    text.push_back('\n');
    text.append(Text(row.at + i));
  }
  return text;
}

const TableRow* Report::RowsBegin(Section section) const {
  return rows.data() + sectionRows[static_cast<std::size_t>(section)];
}

const TableRow* Report::RowsEnd(Section section) const {
  return rows.data() + sectionRows[static_cast<std::size_t>(section) + 1];
}

std::string_view Report::KeyPath(const RegistryKey& key) const {
  const std::string_view text = Text(key.at);
  return text.substr(1, text.size() - 2);
}

std::string_view Report::ValueName(const RegistryValue& value) const {
  return Text(value.at).substr(1, value.quote - 1);
}

std::string_view Report::ValueData(const RegistryValue& value) const {
  return Text(value.at).substr(value.quote + 2);
}

const RegistryValue* Report::ValuesBegin(const RegistryKey& key) const {
  return values.data() + key.firstValue;
}

const RegistryValue* Report::ValuesEnd(const RegistryKey& key) const {
  return values.data() + key.firstValue + key.valueCount;
}

FileCopyTexts Report::Copy(const FileCopy& copy) const {
  const FileCopyFields fields = Fields(copy);
  using F = FileCopyFields;
  return {Unquoted(fields.raw[F::Name]),           Unquoted(fields.raw[F::FileVersion]),
          Unquoted(fields.raw[F::ProductVersion]), Unquoted(fields.raw[F::Folder]),
          Unquoted(fields.raw[F::Size]),           Unquoted(fields.raw[F::Date]),
          Unquoted(fields.raw[F::Time]),           Unquoted(fields.raw[F::Company]),
          Unquoted(fields.raw[F::Attributes])};
}

const FileCopy* Report::CopiesBegin(const FileEntry& entry) const {
  return copies.data() + entry.firstCopy;
}

const FileCopy* Report::CopiesEnd(const FileEntry& entry) const {
  return copies.data() + entry.firstCopy + entry.copyCount;
}

Report ReadReport(std::string_view bytes) {
  Report report;
  // Line starts are 32-bit: what lies beyond 4 GB is not read.
  bytes = bytes.substr(0, std::numeric_limits<std::uint32_t>::max() - 1);
  report.bytes_ = bytes;
  report.text_ = bytes;
  report.starts_ = LineStarts(bytes);
  report.fileLines_ = report.starts_.size() - 1;
  if (const Wrap wrap = FindWrap(bytes, report.starts_); wrap.width != 0) {
    JoinedLines joined = JoinWrappedLines(bytes, report.starts_, wrap);
    if (joined.joins > 0) {
      report.altered.wrapWidth = wrap.width;
      report.joined_ = std::make_shared<const std::string>(std::move(joined.text));
      report.text_ = *report.joined_;
      report.starts_ = LineStarts(report.text_);
      report.physical_ = std::move(joined.numbers);
    }
  }
  report.parts = PartSplitter(report).Split();
  for (ReportPart& part : report.parts) {
    part.first = report.Number(part.at);
    const std::uint32_t next = part.at + part.lines;
    part.count = (next < report.Lines() ? report.Number(next) : report.fileLines_ + 1) - part.first;
    switch (part.kind) {
      case PartKind::Marker:
        report.marker = report.Text(part.at);
        break;
      case PartKind::Table:
        ReadTable(report, part);
        break;
      case PartKind::Registry:
        ReadRegistry(report, part);
        break;
      case PartKind::FileList:
        ReadFileList(report, part);
        break;
      case PartKind::Checks:
        ReadChecks(report, part);
        break;
      case PartKind::End:
        report.end = report.Text(part.at) == kEnd ? ReportEnd::Complete : ReportEnd::Abnormal;
        break;
      default:
        break;
    }
  }
  IndexSections(report);
  return report;
}

std::string WriteReport(const Report& report) {
  const std::string_view bytes = report.Bytes();
  const std::vector<std::uint32_t> starts = LineStarts(bytes);
  std::string written;
  written.reserve(bytes.size());
  for (const ReportPart& part : report.parts) {
    const std::size_t begin = starts[part.first - 1];
    const std::size_t end = starts[part.first - 1 + part.count];
    written.append(bytes.substr(begin, end - begin));
  }
  return written;
}

std::string_view PartName(PartKind kind) {
  switch (kind) {
    case PartKind::Marker:
      return "marker";
    case PartKind::Table:
      return "table";
    case PartKind::LogFile:
      return "log";
    case PartKind::Registry:
      return "registry";
    case PartKind::FileList:
      return "filelist";
    case PartKind::Checks:
      return "checks";
    case PartKind::End:
      return "end";
    case PartKind::Unrecognised:
      break;
  }
  return "unrecognised";
}

}  // namespace kdx::analysis
