#include "analysis/diff_facts.h"

#include <array>
#include <cstdlib>

#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

// Headings and frames of the table's sections: they hold nothing to compare.
constexpr std::array<std::string_view, 8> kFrames = {
    "########",   "DRVSTORE",         "[Check TEMP Dir]", "[END Check TEMP Dir]",
    "App Paths:", "WIN3.1 INI-Datei", "SPEICHER",         "Laufwerke"};

bool IsFrame(std::string_view key) {
  for (const std::string_view frame : kFrames) {
    if (key == frame) return true;
  }
  return false;
}

// Free memory differs in every run; a change by a quarter or more is one.
bool SameFreeMemory(std::string_view a, std::string_view b) {
  const auto kilobytes = [](std::string_view text) {
    double value = 0;
    for (const char c : text) {
      if (c >= '0' && c <= '9') value = value * 10 + (c - '0');
      if (c == ' ') break;
    }
    return value;
  };
  const double old = kilobytes(a);
  const double now = kilobytes(b);
  return std::abs(now - old) < 0.25 * old;
}

}  // namespace

DiffFacts::DiffFacts(const ReportFacts& facts) : source_(facts), report_(*facts.report) {
  facts_.reserve(report_.rows.size() / 2 + report_.registry.size() + report_.values.size() +
                 report_.copies.size() + report_.checks.size());
  Table();
  LogFiles();
  Registry();
  Files();
  Checks();
}

void DiffFacts::Add(DiffPart part, std::string_view subject, std::string_view value,
                    std::size_t line) {
  DiffFact fact;
  fact.part = part;
  fact.subject = subject;
  fact.value = value;
  fact.line = static_cast<std::uint32_t>(line);
  facts_.push_back(fact);
}

std::string_view DiffFacts::Own(std::string text) {
  owned_.push_back(std::move(text));
  return owned_.back();
}

void DiffFacts::Table() {
  // Windows: the version row by its name, the other rows by their key; the rows without a key
  // after a processor row (its maker and speed) belong to it. Date and time differ every run.
  for (const TableRow* row = report_.RowsBegin(Section::General);
       row != report_.RowsEnd(Section::General); ++row) {
    const std::string_view key = report_.Key(*row);
    const std::string_view value = report_.Value(*row);
    if (row == report_.rows.data()) {
      Add(DiffPart::Windows, "Windows", key, report_.Number(*row));
    } else if (!key.empty() && key != "Datum" && key != "Zeit") {
      Add(DiffPart::Windows, key, value, report_.Number(*row));
    } else if (key.empty() && !value.empty() && !facts_.empty()) {
      DiffFact& last = facts_.back();
      last.value = Own(std::string(last.value) + ", " + std::string(value));
    }
  }
  for (const KeyedRow& row : source_.memory) {
    Add(DiffPart::Drives, row.key, row.value, row.line);
    if (StartsWith(row.key, "frei ")) facts_.back().form = DiffFact::Form::FreeMemory;
  }
  for (const DriveFact& drive : source_.drives) {
    Add(DiffPart::Drives, drive.root, drive.type, drive.line);
    for (const KeyedRow& space : drive.space) {
      Add(DiffPart::Drives, drive.root, space.value, space.line);
      facts_.back().detail = space.key;
      facts_.back().join = DiffFact::Join::Blank;
    }
  }
  Services();
  for (const Cited& process : source_.processes) {
    Add(DiffPart::Processes, process.text, {}, process.line);
  }
  if (source_.mutex.line != 0) {
    Add(DiffPart::Processes, "KdxPmMutex", source_.mutex.text, source_.mutex.line);
  }
  Ports();
  LabelSoftware(Section::LabelSoftware, DiffPart::LabelSoftware);
  TableRows(DiffPart::Inventory, Section::Inventory);
  LabelSoftware(Section::IniFiles, DiffPart::IniFiles);
  TableRows(DiffPart::TempDir, Section::TempDir);
  Printers();
  ProgramPaths();
}

void DiffFacts::TableRows(DiffPart part, Section section) {
  for (const TableRow* row = report_.RowsBegin(section); row != report_.RowsEnd(section); ++row) {
    const std::string_view key = report_.Key(*row);
    if (!key.empty() && !IsFrame(key)) Add(part, key, report_.Value(*row), report_.Number(*row));
  }
}

// INI files by file, section and key; the label software's rows by its version block; the
// desktop shortcut's rows by their key.
void DiffFacts::LabelSoftware(Section section, DiffPart part) {
  std::string_view file;
  std::string_view iniSection;
  std::string_view block;
  for (const TableRow* row = report_.RowsBegin(section); row != report_.RowsEnd(section); ++row) {
    const std::string_view key = report_.Key(*row);
    const std::string_view value = report_.Value(*row);
    const std::size_t line = report_.Number(*row);
    if (key == "INI-Datei") {
      file = value;
      iniSection = {};
      Add(part, value, {}, line);
    } else if (key == "SECTION") {
      iniSection = value;
      Add(part, Own(std::string(file) + " [" + std::string(value) + "]"), {}, line);
    } else if (key.empty() && value.find('=') != std::string_view::npos && !file.empty()) {
      const std::size_t equals = value.find('=');
      Add(part,
          Own(std::string(file) + " [" + std::string(iniSection) + "] " +
              std::string(value.substr(0, equals))),
          value.substr(equals + 1), line);
    } else if (key == "Software V4" || key == "Software V5" ||
               key == "Verknüpfung auf dem Desktop") {
      block = key;
      file = {};
      Add(part, key, value, line);
    } else if (key == "Registry Key nicht gefunden:") {
      Add(part, value, "nicht gefunden", line);
    } else if (value == "Verzeichnis nicht gefunden") {
      Add(part, key, value, line);
    } else if (!key.empty() && !IsFrame(key)) {
      file = {};
      Add(part, block.empty() ? key : Own(std::string(block) + ": " + std::string(key)), value,
          line);
    }
  }
}

void DiffFacts::Services() {
  for (const ServiceFact& service : source_.services) {
    Add(DiffPart::Services, Own(service.name),
        service.installed ? Own(service.state) : std::string_view("nicht installiert"),
        service.line);
  }
  for (const ServiceListEntry& entry : source_.serviceList) {
    const std::string_view subject(
        entry.name.data(), static_cast<std::size_t>(entry.state.data() - entry.name.data()) - 2);
    Add(DiffPart::Services, subject, entry.state, entry.line);
  }
}

void DiffFacts::Ports() {
  for (const UsbPortFact& port : source_.usbPorts) {
    std::string device;
    for (const Cited& row : port.rows)
      device += (device.empty() ? "" : ", ") + std::string(row.text);
    Add(DiffPart::Ports, port.name, Own(std::move(device)), port.line);
  }
  for (const PortFact& port : source_.ports) Add(DiffPart::Ports, port.name, port.rest, port.line);
}

// A printer by its name with port and driver; its dependent files by their name, whichever
// driver folder held them, so that a file no longer found is one change.
void DiffFacts::Printers() {
  for (const std::string_view name : source_.spoolerPrinters) {
    Add(DiffPart::Printers, "Druckerliste", {}, 0);
    facts_.back().detail = name;
    facts_.back().join = DiffFact::Join::Colon;
  }
  for (const PrinterFact& printer : source_.printers) {
    std::string value = printer.line == 0 ? std::string() : "an " + printer.port;
    if (!printer.driver.empty()) value += ", Treiber " + printer.driver;
    if (printer.noDriverLine != 0) value += ", kein Printer Driver";
    if (printer.undeterminedLine != 0) value += ", abhängige Dateien nicht ermittelt";
    const std::string_view name = Own(printer.name);
    Add(DiffPart::Printers, name, Own(std::move(value)),
        printer.line != 0 ? printer.line : printer.noDriverLine);
    for (std::size_t i = 0; i < printer.files.size(); ++i) {
      const DependentFile& file = printer.files[i];
      bool first = true;
      for (std::size_t k = 0; k < i; ++k)
        first = first && !EqualsNoCase(printer.files[k].name, file.name);
      if (!first) continue;
      std::string where;
      for (std::size_t k = i; k < printer.files.size(); ++k) {
        const DependentFile& copy = printer.files[k];
        if (!EqualsNoCase(copy.name, file.name)) continue;
        if (!where.empty()) where += "; ";
        where += std::string(copy.folder) + std::string(copy.description);
      }
      Add(DiffPart::Printers, name, Own(std::move(where)), file.line);
      facts_.back().detail = file.name;
      facts_.back().join = DiffFact::Join::Colon;
    }
  }
}

void DiffFacts::ProgramPaths() {
  for (const ProgramPathFact& program : source_.programPaths) {
    std::string value(program.description);
    if (!program.searchPath.empty()) value += " (Path " + std::string(program.searchPath) + ")";
    Add(DiffPart::ProgramPaths, program.path, Own(std::move(value)), program.line);
  }
}

void DiffFacts::LogFiles() {
  for (const LogFileFact& log : source_.logFiles) {
    for (std::uint32_t at = log.at; at < log.at + log.lines; ++at) {
      const std::string_view text = report_.Text(at);
      if (text.empty()) continue;
      Add(DiffPart::LogFiles, log.name, {}, report_.Number(at));
      facts_.back().detail = text;
      facts_.back().join = DiffFact::Join::Colon;
    }
  }
}

void DiffFacts::Registry() {
  for (const RegistryKey& key : report_.registry) {
    const std::string_view path = report_.KeyPath(key);
    Add(DiffPart::Registry, path, {}, report_.Number(key.at));
    for (const RegistryValue* value = report_.ValuesBegin(key); value != report_.ValuesEnd(key);
         ++value) {
      const std::string_view name = report_.ValueName(*value);
      // regedit's own name for the default value
      Add(DiffPart::Registry, path, report_.ValueData(*value), report_.Number(value->at));
      facts_.back().detail = name.empty() ? std::string_view("@") : name;
      facts_.back().join = DiffFact::Join::Backslash;
    }
  }
}

// A copy by its folder and name; its value is the line's texts from the file version on as
// they stand, the folder among them the same for two copies of one subject.
void DiffFacts::Files() {
  using F = FileCopyFields;
  for (const FileCopy& copy : report_.copies) {
    const FileCopyFields fields = report_.Fields(copy);
    const std::string_view first = fields.raw[F::FileVersion];
    const std::string_view last = fields.raw[F::Attributes];
    Add(DiffPart::Files, fields.raw[F::Folder],
        std::string_view(first.data(),
                         static_cast<std::size_t>(last.data() + last.size() - first.data())),
        report_.Number(copy.at));
    DiffFact& fact = facts_.back();
    fact.detail = fields.raw[F::Name];
    fact.form = DiffFact::Form::FileCopy;
  }
}

void DiffFacts::Checks() {
  for (const std::uint32_t at : report_.checks) {
    Add(DiffPart::Checks, report_.Text(at), {}, report_.Number(at));
  }
}

std::string DiffFacts::Subject(const DiffFact& fact) const {
  if (fact.form == DiffFact::Form::FileCopy) return Unquoted(fact.subject) + Unquoted(fact.detail);
  static constexpr std::array<std::string_view, 4> kJoins = {"", "\\", " ", ": "};
  return std::string(fact.subject) + std::string(kJoins[static_cast<std::size_t>(fact.join)]) +
         std::string(fact.detail);
}

std::string DiffFacts::Value(const DiffFact& fact) const {
  if (fact.form != DiffFact::Form::FileCopy) return std::string(fact.value);
  // 'fv','pv','folder','size','date','time','company','attributes' as the file list writes them.
  const std::string line = "('','" + std::string(fact.value) + "'),";
  const FileCopyFields versions = ReadFileCopyFields(line);
  using F = FileCopyFields;
  return Unquoted(versions.raw[F::FileVersion]) + " / " +
         Unquoted(versions.raw[F::ProductVersion]) + ", " + Unquoted(versions.raw[F::Size]) +
         " Byte, " + Unquoted(versions.raw[F::Date]) + " " + Unquoted(versions.raw[F::Time]) +
         ", " + Unquoted(versions.raw[F::Company]) + ", " + Unquoted(versions.raw[F::Attributes]);
}

bool DiffFacts::SameValue(const DiffFact& a, const DiffFact& b) {
  if (a.form == DiffFact::Form::FreeMemory && b.form == DiffFact::Form::FreeMemory) {
    return SameFreeMemory(a.value, b.value);
  }
  return a.value == b.value;
}

}  // namespace kdx::analysis
