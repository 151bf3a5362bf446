#include "analysis/report_facts.h"

#include <algorithm>
#include <array>

#include "analysis/text_match.h"
#include "platform/upcase.h"

namespace kdx::analysis {
namespace {

constexpr std::array<std::string_view, 4> kPrintingServices = {"KDXMONX", "SPOOLER", "KDXMONGUARD",
                                                               "KDXUSB"};
constexpr std::string_view kNotInstalledError = "Error 1060";
constexpr std::string_view kFileNotFound = "Fehler: Datei nicht gefunden";
constexpr std::string_view kFolderNotFound = "Verzeichnis nicht gefunden";
constexpr std::string_view kPrinterListBorder = "##########";
constexpr std::array<std::string_view, 9> kByteUnits = {"Byte",     "Kilobyte",  "Megabyte",
                                                        "GigaByte", "Terabyte",  "Petabyte",
                                                        "Exabyte",  "Zettabyte", "Yottabyte"};
constexpr std::array<std::string_view, 4> kNinetyFiveFamily = {"Windows 95", "Windows 98",
                                                               "Windows ME", "Win32s"};

// "OpenService KDXUSB failed Error 1060: ..." names its service after the first word.
std::string ServiceNamedIn(std::string_view errorText, std::string_view fallback) {
  if (!StartsWith(errorText, "OpenService ") && !StartsWith(errorText, "QueryService ")) {
    return std::string(fallback);
  }
  const std::size_t start = errorText.find(' ') + 1;
  const std::size_t end = errorText.find(" failed", start);
  return std::string(end == std::string_view::npos ? fallback
                                                   : errorText.substr(start, end - start));
}

bool IsSerialRow(std::string_view key, std::string_view port) {
  return port.size() >= 4 && StartsWith(port, "COM") &&
         (key == port || key == std::string(port.substr(0, 4)) + "FIFO");
}

// Reads the table section by section into the facts.
class TableFacts {
 public:
  TableFacts(const Report& report, ReportFacts& facts) : report_(report), facts_(facts) {}

  void Gather() {
    General();
    Drives();
    Services();
    Processes();
    UsbPorts();
    Ports();
    LabelSoftware();
    MissingFolders();
    TempDir();
    Printers();
    ProgramPaths();
    EventLogs();
  }

 private:
  template <typename Visit>
  void ForRows(Section section, Visit visit) {
    for (const TableRow* row = report_.RowsBegin(section); row != report_.RowsEnd(section); ++row) {
      const auto [key, value] = report_.KeyValue(*row);
      visit(*row, key, value, report_.Number(*row));
    }
  }

  void General() {
    ForRows(Section::General, [&](const TableRow& row, std::string_view key, std::string_view value,
                                  std::size_t line) {
      // The table opens with the Windows version row, whose key is the whole text.
      if (&row == report_.rows.data()) facts_.windows = key;
      const Cited cited{value, line};
      if (key == "Windows Verzeichnis") facts_.windowsDir = cited;
      if (key == "Datum") facts_.date = cited;
      if (key == "Zeit") facts_.time = cited;
      if (key == "ActiveComputerName") facts_.computer = cited;
      if (key == "UserName") facts_.user = cited;
      if (key == "Administrator") facts_.administrator = cited;
      if (key == "ERROR(isAdmin)") facts_.adminError = cited;
    });
    ForRows(Section::Memory,
            [&](const TableRow&, std::string_view key, std::string_view value, std::size_t line) {
              if (!key.empty() && key != "SPEICHER") facts_.memory.push_back({key, value, line});
            });
    facts_.nt =
        facts_.windows.empty()
            ? report_.RowsBegin(Section::Services) != report_.RowsEnd(Section::Services)
            : std::none_of(kNinetyFiveFamily.begin(), kNinetyFiveFamily.end(),
                           [&](std::string_view name) { return StartsWith(facts_.windows, name); });
  }

  void Drives() {
    ForRows(Section::Drives,
            [&](const TableRow&, std::string_view key, std::string_view value, std::size_t line) {
              if (key == "Laufwerke") return;
              if (!key.empty()) {
                facts_.drives.push_back({key, value, line, {}, -1, 0});
                return;
              }
              const std::size_t colon = value.find(':');
              if (facts_.drives.empty() || colon == std::string_view::npos) return;
              DriveFact& drive = facts_.drives.back();
              drive.space.push_back(
                  {Trimmed(value.substr(0, colon)), Trimmed(value.substr(colon + 1)), line});
              if (StartsWith(value, "FreeAvailable")) {
                drive.freeBytes = FreeBytes(value);
                drive.freeLine = line;
              }
            });
  }

  void Services() {
    ForRows(Section::Services, [&](const TableRow&, std::string_view key, std::string_view value,
                                   std::size_t line) {
      if ((key == "Service" || key == "Error") &&
          facts_.services.size() < kPrintingServices.size()) {
        facts_.services.push_back(ServiceFrom(key, value, line));
      } else if (key.empty() && !value.empty()) {
        const std::size_t colon = value.rfind(": ");
        const std::size_t paren = value.find('(');
        if (colon == std::string_view::npos || paren == std::string_view::npos || paren > colon) {
          return;
        }
        facts_.serviceList.push_back({value.substr(0, paren),
                                      value.substr(paren + 1, colon - paren - 2),
                                      value.substr(colon + 2), line});
      }
    });
    for (ServiceFact& service : facts_.services) {
      for (const ServiceListEntry& entry : facts_.serviceList) {
        if (EqualsNoCase(entry.name, service.name)) service.listLine = entry.line;
      }
    }
  }

  ServiceFact ServiceFrom(std::string_view key, std::string_view value, std::size_t line) {
    ServiceFact fact;
    fact.line = line;
    if (key == "Service") {
      fact.name = std::string(value.substr(0, value.find(" Status ")));
      const std::size_t colon = value.find(": ");
      fact.state = std::string(colon == std::string_view::npos ? value : value.substr(colon + 2));
      return fact;
    }
    fact.name = ServiceNamedIn(value, kPrintingServices[facts_.services.size()]);
    fact.state = std::string(value);
    const bool notInstalled = StartsWith(value, "OpenService ") &&
                              value.find(kNotInstalledError) != std::string_view::npos;
    fact.installed = !notInstalled;
    fact.known = notInstalled;
    return fact;
  }

  void Processes() {
    ForRows(Section::Processes,
            [&](const TableRow&, std::string_view key, std::string_view value, std::size_t line) {
              if (key.empty() && !value.empty()) facts_.processes.push_back({value, line});
              if (key == "KdxPmMutex") facts_.mutex = {value, line};
            });
  }

  // Each device opens with its location row (a key, no value); "USB001:" names its port.
  void UsbPorts() {
    bool inDevice = false;
    ForRows(Section::UsbPrinters, [&](const TableRow&, std::string_view key, std::string_view value,
                                      std::size_t line) {
      if (key == "USB Drucker:" || (key.empty() && value.empty())) {
        inDevice = false;
      } else if (!key.empty()) {
        facts_.usbPorts.push_back({{}, line, {{key, line}}});
        inDevice = true;
      } else if (inDevice) {
        UsbPortFact& port = facts_.usbPorts.back();
        const bool portName = EndsWith(value, ":") && value.find(' ') == std::string_view::npos;
        if (portName && port.name.empty()) {
          port.name = value;
          port.line = line;
        } else {
          port.rows.push_back({value, line});
        }
      }
    });
  }

  void Ports() {
    ForRows(Section::Ports, [&](const TableRow&, std::string_view key, std::string_view value,
                                std::size_t line) {
      if (key == "Druckeranschlüsse:") facts_.portsLine = line;
      if (key == "ERROR") facts_.portsFailed = true;
      if (!key.empty() || value.empty()) return;
      const std::size_t tab = value.find('\t');
      facts_.ports.push_back(
          {value.substr(0, tab),
           tab == std::string_view::npos ? std::string_view{} : value.substr(tab + 1), line});
    });
  }

  // INI dumps: "INI-Datei" path, then "SECTION" name and "key=value" rows.
  void IniRow(std::string_view key, std::string_view value, std::size_t line) {
    if (key == "INI-Datei") {
      iniFile_ = value;
      iniSection_ = {};
    } else if (key == "SECTION") {
      iniSection_ = value;
    } else if (key.empty() && !iniFile_.empty() && value.find('=') != std::string_view::npos) {
      const std::size_t equals = value.find('=');
      facts_.iniValues.push_back(
          {iniFile_, iniSection_, value.substr(0, equals), value.substr(equals + 1), line});
    }
  }

  // The version blocks' rows; the desktop shortcut's rows (its "Path:" among them) follow them.
  void LabelSoftware() {
    bool shortcut = false;
    ForRows(Section::LabelSoftware,
            [&](const TableRow&, std::string_view key, std::string_view value, std::size_t line) {
              IniRow(key, value, line);
              if (key == "Software V4" || key == "Software V5") {
                LabelSoftwareFact fact;
                fact.version = key.substr(9);
                fact.line = line;
                facts_.labelSoftware.push_back(fact);
                return;
              }
              shortcut = shortcut || key == "Verknüpfung auf dem Desktop";
              if (facts_.labelSoftware.empty() || shortcut) return;
              LabelSoftwareFact& fact = facts_.labelSoftware.back();
              if (key == "Program" && fact.program.empty()) fact.program = value;
              if (key == "AppDir" && fact.appDir.empty()) fact.appDir = value;
              if (key == "gewählter Port") fact.selectedPort = {value, line};
              if (key == "gewählter Drucker") fact.selectedPrinter = {value, line};
              if (key == "FEHLER" && value == "GetActualPrinter failed")
                fact.selectionFailedLine = line;
            });
    ForRows(Section::IniFiles, [&](const TableRow&, std::string_view key, std::string_view value,
                                   std::size_t line) { IniRow(key, value, line); });
  }

  // The inventory's scans report a missing folder wherever they run: on the 95 family the
  // driver store's frame is missing, and its rows stand in the label software's section.
  void MissingFolders() {
    for (const Section section : {Section::LabelSoftware, Section::Inventory}) {
      ForRows(section,
              [&](const TableRow&, std::string_view key, std::string_view value, std::size_t line) {
                if (value == kFolderNotFound) facts_.missingFolders.push_back({key, line});
              });
    }
  }

  void TempDir() {
    ForRows(Section::TempDir,
            [&](const TableRow&, std::string_view key, std::string_view value, std::size_t line) {
              if (!key.empty() && !StartsWith(key, "[") && !StartsWith(key, "ERROR")) {
                facts_.tempEntries.push_back({key, value, line});
              }
            });
  }

  void Printers() {
    int borders = 0;
    bool inPrinters = false;
    bool inFiles = false;
    PrinterFact current;
    const auto finish = [&] {
      if (current.line != 0 || current.noDriverLine != 0 || !current.files.empty() ||
          current.undeterminedLine != 0) {
        facts_.printers.push_back(std::move(current));
      }
      current = PrinterFact{};
      inFiles = false;
    };
    ForRows(Section::Printers,
            [&](const TableRow&, std::string_view key, std::string_view value, std::size_t line) {
              if (key == kPrinterListBorder) ++borders;
              if (borders == 1 && key.empty() && !value.empty())
                facts_.spoolerPrinters.push_back(value);
              if (key == "Drucker:") inPrinters = true;
              if (!inPrinters || key == "Drucker:") return;
              std::string_view name;
              std::string_view port;
              if (key.empty() && value.empty()) {
                finish();
              } else if (key == "ERROR") {
                finish();
                inPrinters = false;
              } else if (StartsWith(key, "ERROR: ") && value == "(Kein Printer Driver Eintrag!)") {
                current.noDriverLine = line;
                current.name = std::string(key.substr(7));
              } else if (key == "Abhängige Dateien:") {
                inFiles = true;
              } else if (key == "Abhängige Dateien" && value == "konnten nicht ermittelt werden") {
                current.undeterminedLine = line;
              } else if (inFiles && !key.empty() && !IsSerialRow(key, current.port)) {
                current.files.push_back(DependentFileOf(key, value, line));
              } else if (current.line == 0 && value.empty() && SplitPrinterRow(key, name, port)) {
                current.line = line;
                current.name = std::string(name);
                current.port = std::string(port);
              }
            });
    finish();
  }

  static DependentFile DependentFileOf(std::string_view key, std::string_view value,
                                       std::size_t line) {
    DependentFile file{key, {}, value, value != kFileNotFound, line};
    if (key.size() > 2 && (key[0] == '2' || key[0] == '3') && key[1] == '\\') {
      file.folder = key.substr(0, 2);
      file.name = key.substr(2);
    }
    return file;
  }

  void ProgramPaths() {
    std::string_view searchPath;
    ForRows(Section::ProgramPaths, [&](const TableRow&, std::string_view key,
                                       std::string_view value, std::size_t line) {
      if (key == "Path") {
        searchPath = value;
      } else if (!key.empty() && key != "App Paths:" && key != "ERROR") {
        facts_.programPaths.push_back({key, value, searchPath, value != kFileNotFound, line});
        searchPath = {};
      }
    });
  }

  void EventLogs() {
    const TableRow* first = report_.rows.data();
    ForRows(Section::EventLog,
            [&](const TableRow& row, std::string_view key, std::string_view value, std::size_t) {
              const auto index = static_cast<std::uint32_t>(&row - first);
              if (key == "EventLog") {
                facts_.eventLogs.push_back(value);
              } else if (key.find('|') != std::string_view::npos && !facts_.eventLogs.empty()) {
                facts_.events.push_back({index, EventRecordFact::kNone,
                                         static_cast<std::uint16_t>(facts_.eventLogs.size() - 1)});
              } else if (key.empty() && !value.empty() && !facts_.events.empty() &&
                         facts_.events.back().row + 1 == index) {
                facts_.events.back().message = index;
              }
            });
  }

  const Report& report_;
  ReportFacts& facts_;
  std::string_view iniFile_;
  std::string_view iniSection_;
};

// The label software's own choices of printer and port: the selection file of version 4 and
// the printer its INI files name.
void GatherSelections(ReportFacts& facts) {
  for (const LabelSoftwareFact& version : facts.labelSoftware) {
    if (version.selectedPrinter.line != 0 || version.selectedPort.line != 0) {
      facts.selections.push_back({"kdxwin.kdx", version.selectedPrinter, version.selectedPort});
    }
  }
  struct IniChoice {
    std::string_view file, section, printerKey, portKey;
  };
  static constexpr IniChoice kChoices[] = {{"\\kdxwin.ini", "Drucker", "Name", "Anschluss"},
                                           {"\\kelmokdx.ini", "KDX", "Printer", "Port"}};
  for (const IniChoice& choice : kChoices) {
    LabelSelection selection;
    for (const IniValue& value : facts.iniValues) {
      if (!EndsWithNoCase(value.file, choice.file) ||
          !EqualsNoCase(value.section, choice.section)) {
        continue;
      }
      selection.source = choice.file.substr(1);
      if (EqualsNoCase(value.key, choice.printerKey)) selection.printer = {value.value, value.line};
      if (EqualsNoCase(value.key, choice.portKey)) selection.port = {value.value, value.line};
    }
    if (selection.printer.line != 0 || selection.port.line != 0)
      facts.selections.push_back(selection);
  }
}

// The name of a file list line as it stands between its quotes: the line is known to be one.
std::string_view FirstFieldOf(std::string_view line) {
  const std::size_t start = line.find("('") + 2;
  std::size_t end = start;
  while (end < line.size() &&
         (line[end] != '\'' || (end + 1 < line.size() && line[end + 1] == '\''))) {
    end += line[end] == '\'' ? 2 : 1;
  }
  return line.substr(start, end - start);
}

void IndexFiles(const Report& report, ReportFacts& facts) {
  facts.fileIndex.reserve(report.files.size());
  for (std::size_t i = 0; i < report.files.size(); ++i) {
    const std::string_view name =
        FirstFieldOf(report.Text(report.CopiesBegin(report.files[i])->at));
    facts.fileIndex.emplace_back(std::hash<std::string_view>()(name),
                                 static_cast<std::uint32_t>(i));
  }
  std::sort(facts.fileIndex.begin(), facts.fileIndex.end());
  for (const ReportPart& part : report.parts) {
    if (part.kind == PartKind::FileList) {
      facts.fileListComplete = report.Text(part.at + part.lines - 1) == "[FILELIST END]";
    }
    if (part.kind == PartKind::LogFile && part.lines >= 3) {
      facts.logFiles.push_back({part.name, part.at + 3, part.lines - 3});
    }
  }
}

// The version of a label software's program file, from the file list.
void FindProgramVersions(const Report& report, ReportFacts& facts) {
  for (LabelSoftwareFact& version : facts.labelSoftware) {
    const std::size_t slash = version.program.rfind('\\');
    if (slash == std::string_view::npos) continue;
    const FileEntry* entry = facts.FindFile(version.program.substr(slash + 1));
    if (entry == nullptr) continue;
    for (const FileCopy* copy = report.CopiesBegin(*entry); copy != report.CopiesEnd(*entry);
         ++copy) {
      const FileCopyTexts texts = report.Copy(*copy);
      if (EqualsNoCase(texts.folder, version.program.substr(0, slash + 1))) {
        version.fileVersion = texts.fileVersion;
      }
    }
  }
}

}  // namespace

ReportFacts GatherFacts(const Report& report) {
  ReportFacts facts(report);
  IndexFiles(report, facts);
  TableFacts(report, facts).Gather();
  GatherSelections(facts);
  FindProgramVersions(report, facts);
  GatherRegistryFacts(report, facts);
  return facts;
}

std::string_view ReportFacts::EventType(const EventRecordFact& event) const {
  const std::string_view key = report->Key(Row(event.row));
  return key.substr(0, key.find('|'));
}

std::string_view ReportFacts::EventSource(const EventRecordFact& event) const {
  const std::string_view key = report->Key(Row(event.row));
  return key.substr(key.find('|') + 1);
}

std::string_view ReportFacts::EventDate(const EventRecordFact& event) const {
  return report->Value(Row(event.row));
}

std::size_t ReportFacts::EventLine(const EventRecordFact& event) const {
  return report->Number(Row(event.row));
}

const FileEntry* ReportFacts::FindFile(std::string_view name) const {
  std::string raw;
  for (const char c : name) {
    raw.push_back(UpcaseAsciiChar(c));
    if (c == '\'') raw.push_back('\'');
  }
  const std::size_t hash = std::hash<std::string_view>()(raw);
  for (auto at = std::lower_bound(fileIndex.begin(), fileIndex.end(), std::make_pair(hash, 0U));
       at != fileIndex.end() && at->first == hash; ++at) {
    const FileEntry& entry = report->files[at->second];
    if (FirstFieldOf(report->Text(report->CopiesBegin(entry)->at)) == raw) return &entry;
  }
  return nullptr;
}

const PrinterFact* ReportFacts::FindPrinter(std::string_view name) const {
  for (const PrinterFact& printer : printers) {
    if (EqualsNoCase(printer.name, name)) return &printer;
  }
  return nullptr;
}

const ServiceFact* ReportFacts::FindService(std::string_view name) const {
  for (const ServiceFact& service : services) {
    if (EqualsNoCase(service.name, name)) return &service;
  }
  return nullptr;
}

const ServiceKeyFact* ReportFacts::FindServiceKey(std::string_view name) const {
  for (const ServiceKeyFact& key : serviceKeys) {
    if (EqualsNoCase(key.name, name)) return &key;
  }
  return nullptr;
}

long long FreeBytes(std::string_view value) {
  const std::size_t colon = value.find(':');
  if (!StartsWith(value, "FreeAvailable") || colon == std::string_view::npos) return -1;
  std::size_t at = value.find_first_not_of(' ', colon + 1);
  long long number = 0;
  bool digits = false;
  while (at < value.size() && value[at] >= '0' && value[at] <= '9' && number < (1LL << 40)) {
    number = number * 10 + (value[at++] - '0');
    digits = true;
  }
  if (!digits || at >= value.size() || value[at] != ' ') return -1;
  const std::string_view unit = value.substr(at + 1);
  for (std::size_t u = 0; u < kByteUnits.size(); ++u) {
    if (unit != kByteUnits[u]) continue;
    for (std::size_t i = 0; i < u; ++i) {
      if (number > (1LL << 52)) return number;
      number *= 1024;
    }
    return number;
  }
  return -1;
}

bool SplitPrinterRow(std::string_view key, std::string_view& name, std::string_view& port) {
  const std::size_t an = key.rfind(" an ");
  if (an == std::string_view::npos) return false;
  name = key.substr(0, an);
  port = key.substr(an + 4);
  return true;
}

std::string_view RegistryText(std::string_view data) {
  if (data.size() >= 2 && data.front() == '"' && data.back() == '"') {
    return data.substr(1, data.size() - 2);
  }
  return data;
}

}  // namespace kdx::analysis
