#include "analysis/report_reader.h"

#include <algorithm>
#include <array>
#include <cstring>

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

std::vector<ReportLine> SplitLines(std::string_view bytes) {
  std::vector<ReportLine> lines;
  std::size_t start = 0;
  while (start < bytes.size()) {
    const void* found = std::memchr(bytes.data() + start, '\n', bytes.size() - start);
    if (found == nullptr) {
      lines.push_back({bytes.substr(start), {}});
      break;
    }
    const auto end = static_cast<std::size_t>(static_cast<const char*>(found) - bytes.data());
    const std::size_t textEnd = (end > start && bytes[end - 1] == '\r') ? end - 1 : end;
    lines.push_back(
        {bytes.substr(start, textEnd - start), bytes.substr(textEnd, end + 1 - textEnd)});
    start = end + 1;
  }
  return lines;
}

bool IsMarker(std::string_view line) {
  return StartsWith(line, "[KDXINFO") && line.size() > 9 && line.back() == ']';
}

bool IsLogHeading(std::string_view line) {
  return std::find(kLogHeadings.begin(), kLogHeadings.end(), line) != kLogHeadings.end();
}

// The frame before a log file and before the registry block: ruler, empty line, heading.
std::string_view HeadingAfterRuler(const std::vector<ReportLine>& lines, std::size_t i) {
  if (i + 2 >= lines.size() || lines[i].text != Ruler() || !lines[i + 1].text.empty()) return {};
  const std::string_view heading = lines[i + 2].text;
  return (IsLogHeading(heading) || heading == kRegistryHeading) ? heading : std::string_view{};
}

class PartSplitter {
 public:
  explicit PartSplitter(const std::vector<ReportLine>& lines) : lines_(lines) {}

  std::vector<ReportPart> Split() {
    if (lines_.empty()) return parts_;
    if (!IsMarker(lines_[0].text)) {
      Open(PartKind::Unrecognised, 0);
      return Close(lines_.size());
    }
    Open(PartKind::Marker, 0);
    Open(PartKind::Table, 1);
    for (std::size_t i = 1; i < lines_.size(); ++i) {
      if (Step(i)) break;
    }
    return Close(lines_.size());
  }

 private:
  // Looks at line i in the current part; true once the end marker is placed.
  bool Step(std::size_t i) {
    const std::string_view text = lines_[i].text;
    if (text == kAbnormalEnd && i + 1 == lines_.size()) {
      Open(PartKind::End, i);
      return true;
    }
    switch (current_.kind) {
      case PartKind::Table:
      case PartKind::LogFile: {
        const std::string_view heading = HeadingAfterRuler(lines_, i);
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
          if (i + 1 < lines_.size()) Open(PartKind::Unrecognised, i + 1);
          return true;
        }
        break;
      default:
        break;
    }
    return false;
  }

  void Open(PartKind kind, std::size_t index, std::string_view name = {}) {
    if (index >= lines_.size()) return;
    if (open_) Close(index);
    current_ = {kind, name, index + 1, 0};
    open_ = true;
  }

  std::vector<ReportPart>& Close(std::size_t endIndex) {
    if (open_) {
      current_.count = endIndex + 1 - current_.first;
      if (current_.count > 0) parts_.push_back(current_);
      open_ = false;
    }
    return parts_;
  }

  const std::vector<ReportLine>& lines_;
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
// so a heading of an earlier or the same section (the second "##########") opens nothing;
// only the ruler opens an event log again.
Section SectionOf(std::string_view key, std::string_view value, Section current) {
  if (key == Ruler()) return Section::EventLog;
  Section opened = current;
  for (const SectionOpening& opening : kSectionOpenings) {
    if (opening.key == key) opened = opening.section;
  }
  if (key == "INI-Datei" && EndsWithNoCase(value, "\\win.ini")) opened = Section::IniFiles;
  return opened > current ? opened : current;
}

void ReadTable(Report& report, const ReportPart& part) {
  Section section = Section::General;
  const std::size_t firstRow = report.rows.size();
  for (std::size_t number = part.first; number < part.first + part.count; ++number) {
    const std::string_view text = report.Line(number);
    const std::size_t tab = text.find('\t');
    if (tab == std::string_view::npos && report.rows.size() > firstRow) {
      ++report.rows.back().lineCount;
      continue;
    }
    TableRow row;
    row.line = number;
    row.key = text.substr(0, tab);
    if (tab != std::string_view::npos) row.value = text.substr(tab + 1);
    section = SectionOf(row.key, row.value, section);
    row.section = section;
    report.rows.push_back(row);
  }
}

void ReadRegistry(Report& report, const ReportPart& part) {
  bool started = false;
  for (std::size_t number = part.first; number < part.first + part.count; ++number) {
    const std::string_view text = report.Line(number);
    if (!started) {
      started = text == kRegistryHeading;
      continue;
    }
    if (text == kRegistryEnd) return;
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']') {
      report.registry.push_back({number, text.substr(1, text.size() - 2), {}});
    } else if (!text.empty() && text.front() == '"' && !report.registry.empty()) {
      const std::size_t equals = text.find("\"=", 1);
      if (equals == std::string_view::npos) continue;
      report.registry.back().values.push_back(
          {number, text.substr(1, equals - 1), text.substr(equals + 2)});
    }
  }
}

// One quoted text of a file list line, its inner quotes doubled; false when the line breaks
// off.
bool ReadQuoted(std::string_view text, std::size_t& at, std::string& out) {
  if (at >= text.size() || text[at] != '\'') return false;
  ++at;
  while (at < text.size()) {
    if (text[at] == '\'') {
      if (at + 1 < text.size() && text[at + 1] == '\'') {
        out.push_back('\'');
        at += 2;
        continue;
      }
      ++at;
      return true;
    }
    out.push_back(text[at++]);
  }
  return false;
}

bool ReadFileCopy(std::string_view text, FileCopy& copy, std::size_t& position) {
  std::size_t at = text.find_first_not_of(' ');
  if (at == std::string_view::npos || at % 2 != 0) return false;
  position = at / 2;
  if (text.substr(at, kDifferentFile.size()) == kDifferentFile) {
    copy.differs = true;
    at += kDifferentFile.size();
  }
  if (at >= text.size() || text[at] != '(') return false;
  ++at;
  std::string* fields[] = {&copy.name,   &copy.fileVersion, &copy.productVersion,
                           &copy.folder, &copy.size,        &copy.date,
                           &copy.time,   &copy.company,     &copy.attributes};
  for (std::size_t i = 0; i < std::size(fields); ++i) {
    if (!ReadQuoted(text, at, *fields[i])) return false;
    const char separator = i + 1 < std::size(fields) ? ',' : ')';
    if (at >= text.size() || text[at] != separator) return false;
    ++at;
  }
  return text.substr(at) == ",";
}

void ReadFileList(Report& report, const ReportPart& part) {
  for (std::size_t number = part.first + 1; number < part.first + part.count; ++number) {
    const std::string_view text = report.Line(number);
    if (text == kFileListEnd) return;
    FileCopy copy;
    std::size_t position = 0;
    if (!ReadFileCopy(text, copy, position)) continue;
    copy.line = number;
    if (position == 0 || report.files.empty()) report.files.emplace_back();
    report.files.back().copies.push_back(std::move(copy));
  }
}

void ReadChecks(Report& report, const ReportPart& part) {
  for (std::size_t number = part.first; number < part.first + part.count; ++number) {
    const std::string_view text = report.Line(number);
    if (!text.empty()) report.checks.push_back({number, text});
  }
}

}  // namespace

Report ReadReport(std::string_view bytes) {
  Report report;
  report.lines = SplitLines(bytes);
  report.parts = PartSplitter(report.lines).Split();
  for (const ReportPart& part : report.parts) {
    switch (part.kind) {
      case PartKind::Marker:
        report.marker = report.Line(part.first);
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
        report.end = report.Line(part.first) == kEnd ? ReportEnd::Complete : ReportEnd::Abnormal;
        break;
      default:
        break;
    }
  }
  return report;
}

std::string WriteReport(const Report& report) {
  std::size_t size = 0;
  for (const ReportLine& line : report.lines) size += line.text.size() + line.terminator.size();
  std::string bytes;
  bytes.reserve(size);
  for (const ReportPart& part : report.parts) {
    for (std::size_t number = part.first; number < part.first + part.count; ++number) {
      const ReportLine& line = report.lines[number - 1];
      bytes.append(line.text);
      bytes.append(line.terminator);
    }
  }
  return bytes;
}

std::string RowText(const Report& report, const TableRow& row) {
  std::string text(row.value);
  for (std::size_t i = 1; i < row.lineCount; ++i) {
    text.push_back('\n');
    text.append(report.Line(row.line + i));
  }
  return text;
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

std::string_view SectionName(Section section) {
  static constexpr std::array<std::string_view, 14> kNames = {
      "Allgemein",          "Speicher",          "Laufwerke",         "Dienste",     "Prozesse",
      "USB-Drucker",        "Druckeranschlüsse", "Etikettensoftware", "Datei-Infos", "INI-Dateien",
      "Temp-Verzeichnisse", "Drucker",           "Programm-Pfade",    "EventLog"};
  return kNames[static_cast<std::size_t>(section)];
}

}  // namespace kdx::analysis
