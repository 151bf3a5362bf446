#include "analysis/findings.h"

#include <algorithm>
#include <array>
#include <initializer_list>

#include "analysis/report_facts.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

constexpr std::string_view kFileNotFound = "Fehler: Datei nicht gefunden";
constexpr std::string_view kFolderNotFound = "Verzeichnis nicht gefunden";
constexpr std::string_view kNotDeterminable = "nicht feststellbar";

// Sources whose error records bear on printing: the spooler and its print providers, the USB
// printer class (usbprint), the label software's services and monitor, the label software.
constexpr std::array<std::string_view, 5> kPrintingSources = {"KDX", "KELMO", "DEXTA", "PRINT",
                                                              "SPOOL"};
// Names the label software and its installer leave in the temporary folders.
constexpr std::array<std::string_view, 3> kLabelSoftwareNames = {"KDX", "KELMO", "DEXTA"};
constexpr std::array<std::string_view, 9> kByteUnits = {"Byte",     "Kilobyte",  "Megabyte",
                                                        "GigaByte", "Terabyte",  "Petabyte",
                                                        "Exabyte",  "Zettabyte", "Yottabyte"};

std::string Str(std::string_view text) { return std::string(text); }

std::string Cat(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (const std::string_view piece : pieces) text.append(piece);
  return text;
}

bool ContainsAnyNoCase(std::string_view text, const auto& parts) {
  const std::string upper = UpperAscii(text);
  return std::any_of(parts.begin(), parts.end(),
                     [&](std::string_view part) { return upper.find(part) != std::string::npos; });
}

class Findings {
 public:
  explicit Findings(const Report& report) : report_(report) {}

  std::vector<Finding> Apply() {
    CutShort();
    NotAdministrator();
    Services();
    CheckLines();
    DifferentVersions();
    PrinterDrivers();
    ProgramPaths();
    LabelFolders();
    SelectedPrinterAndPort();
    DiskSpace();
    EventErrors();
    TempFiles();
    std::stable_sort(findings_.begin(), findings_.end(), [](const Finding& a, const Finding& b) {
      if (a.severity != b.severity) return a.severity < b.severity;
      const std::size_t lineA = a.lines.empty() ? 0 : a.lines.front();
      const std::size_t lineB = b.lines.empty() ? 0 : b.lines.front();
      return lineA < lineB;
    });
    return std::move(findings_);
  }

 private:
  void Add(std::string_view code, Severity severity, std::string text, std::string textEn,
           std::vector<std::size_t> lines) {
    findings_.push_back({code, severity, std::move(text), std::move(textEn), std::move(lines)});
  }

  void CutShort() {
    if (report_.end == ReportEnd::Complete || report_.lines.empty()) return;
    const std::size_t last = report_.lines.size();
    if (report_.end == ReportEnd::Abnormal) {
      Add("report-cut-short", Severity::Error,
          "Bericht unvollständig: er endet mit ABNORMAL END OF KDXINFO",
          "Report incomplete: it ends with ABNORMAL END OF KDXINFO", {last});
    } else {
      Add("report-cut-short", Severity::Error,
          "Bericht unvollständig: er bricht in Zeile " + std::to_string(last) +
              " ohne END OF KDXINFO ab",
          "Report incomplete: it stops at line " + std::to_string(last) + " without END OF KDXINFO",
          {last});
    }
  }

  void NotAdministrator() {
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::General) continue;
      if ((row.key == "Administrator" && row.value == "FALSE") || row.key == "ERROR(isAdmin)") {
        Add("not-administrator", Severity::Warning,
            "Der Bericht lief ohne Administratorrechte: Dienste und Teile der Registry fehlen",
            "The report ran without administrator rights: services and parts of the registry "
            "are missing",
            {row.line});
      }
    }
  }

  void Services() {
    for (const ServiceFact& service : PrintingServices(report_)) {
      if (!service.installed) {
        Add("service-not-installed", Severity::Warning,
            "Dienst " + service.name + " ist nicht installiert",
            "Service " + service.name + " is not installed", {service.line});
      } else if (!service.known) {
        Add("service-state-unknown", Severity::Note,
            "Zustand des Dienstes " + service.name + " unbekannt: " + service.state,
            "State of service " + service.name + " unknown: " + service.state, {service.line});
      } else if (service.state != "RUNNING") {
        Add("service-not-running", Severity::Warning,
            "Dienst " + service.name + " läuft nicht (Zustand " + service.state + ")",
            "Service " + service.name + " is not running (state " + service.state + ")",
            {service.line});
      }
    }
  }

  // The check lines the program writes, by their fixed text or the text before a name.
  struct CheckRule {
    std::string_view text;
    bool prefix;
    std::string_view code;
    Severity severity;
    std::string_view english;  // followed by the name for a prefix
  };

  void CheckLines() {
    static constexpr CheckRule kChecks[] = {
        {"Falscher Datentyp für ", true, "check-port-type", Severity::Error,
         "Wrong data type (not REG_SZ) of "},
        {"Falscher Ländercode für Label Types: ", true, "check-country-code", Severity::Warning,
         "Unknown country code under Label Types: "},
        {"Leerer Default Devmode für: ", true, "check-empty-devmode", Severity::Warning,
         "Empty Default DevMode of printer "},
        {"KDXMONX ist nicht gestartet", false, "check-monitor-not-started", Severity::Error,
         "The monitor service KDXMONX was not running"},
        {"Registry Key KDXMONX konnte nicht geöffnet werden", false, "check-monitor-key-missing",
         Severity::Error, "The service key of KDXMONX could not be opened"},
        {"Falsche Startart für KDXMONX", false, "check-monitor-start-type", Severity::Warning,
         "KDXMONX is not set to start automatically"},
        {"Spooler ist nicht gestartet", false, "check-spooler-not-started", Severity::Error,
         "The spooler was not running"},
    };
    for (const CheckLine& check : report_.checks) {
      const std::string text = Str(check.text);
      const CheckRule* match = nullptr;
      for (const CheckRule& rule : kChecks) {
        if (rule.prefix ? StartsWith(check.text, rule.text) : check.text == rule.text) {
          match = &rule;
          break;
        }
      }
      if (match == nullptr) {
        Add("check-unknown", Severity::Note, "Unbekannte Prüfzeile: " + text,
            "Unknown check line: " + text, {check.line});
        continue;
      }
      std::string english(match->english);
      if (match->prefix) english += Str(check.text.substr(match->text.size()));
      Add(match->code, match->severity, text, english, {check.line});
    }
  }

  void DifferentVersions() {
    for (const FileEntry& entry : report_.files) {
      const bool differs = std::any_of(entry.copies.begin(), entry.copies.end(),
                                       [](const FileCopy& copy) { return copy.differs; });
      if (!differs) continue;
      std::string copies;
      std::vector<std::size_t> lines;
      for (const FileCopy& copy : entry.copies) {
        if (!copies.empty()) copies += "; ";
        copies += copy.folder + " " + copy.fileVersion + " / " + copy.productVersion;
        if (!copy.company.empty()) copies += " (" + copy.company + ")";
        lines.push_back(copy.line);
      }
      const std::string& name = entry.copies.front().name;
      const std::string count = std::to_string(entry.copies.size());
      Add("file-versions-differ", Severity::Warning,
          Cat({"Datei ", name, " liegt in ", count, " Kopien verschiedener Version vor: ", copies}),
          Cat({"File ", name, " has ", count, " copies of different versions: ", copies}), lines);
    }
  }

  void PrinterDrivers() {
    for (const PrinterFact& printer : Printers(report_)) {
      if (printer.noDriverLine != 0) {
        Add("printer-without-driver", Severity::Error,
            "Drucker " + printer.name + " hat keinen Eintrag \"Printer Driver\"",
            "Printer " + printer.name + " has no \"Printer Driver\" entry", {printer.noDriverLine});
      }
      if (printer.undeterminedLine != 0) {
        Add("driver-files-undetermined", Severity::Warning,
            "Die abhängigen Dateien des Druckers " + printer.name +
                " konnten nicht ermittelt werden (Treiberschlüssel oder \"Dependent Files\" "
                "fehlt)",
            "The dependent files of printer " + printer.name +
                " could not be determined (driver key or \"Dependent Files\" missing)",
            {printer.undeterminedLine});
      }
      for (const DependentFile& file : printer.files) {
        if (file.description != kFileNotFound) continue;
        Add("driver-file-missing", Severity::Error,
            "Treiberdatei " + Str(file.name) + " des Druckers " + printer.name + " nicht gefunden",
            "Driver file " + Str(file.name) + " of printer " + printer.name + " not found",
            {file.line});
      }
    }
  }

  void ProgramPaths() {
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::ProgramPaths || row.value != kFileNotFound) continue;
      Add("program-path-missing", Severity::Warning,
          "Programm " + Str(row.key) + " aus App Paths nicht gefunden",
          "Program " + Str(row.key) + " registered in App Paths not found", {row.line});
    }
  }

  // A missing folder matters where the label software keeps its files: its program folders
  // and the Windows folder's KELMO.
  bool IsLabelFolder(std::string_view folder, const std::vector<LabelSoftwareFact>& versions) {
    const TableRow* windows = FindRow(report_, "Windows Verzeichnis");
    if (windows != nullptr && EqualsNoCase(folder, Str(windows->value) + "KELMO")) return true;
    return std::any_of(versions.begin(), versions.end(), [&](const LabelSoftwareFact& version) {
      return !version.appDir.empty() && StartsWithNoCase(folder, version.appDir);
    });
  }

  void LabelFolders() {
    const std::vector<LabelSoftwareFact> versions = LabelSoftware(report_);
    struct Missing {
      std::string_view folder;
      std::vector<std::size_t> lines;
    };
    std::vector<Missing> missing;
    for (const TableRow& row : report_.rows) {
      if (row.value != kFolderNotFound || !IsLabelFolder(row.key, versions)) continue;
      auto same = std::find_if(missing.begin(), missing.end(),
                               [&](const Missing& m) { return EqualsNoCase(m.folder, row.key); });
      if (same == missing.end()) {
        missing.push_back({row.key, {}});
        same = missing.end() - 1;
      }
      same->lines.push_back(row.line);
    }
    for (Missing& folder : missing) {
      Add("label-folder-missing", Severity::Warning,
          "Ordner " + Str(folder.folder) + " der Etikettensoftware fehlt",
          "Folder " + Str(folder.folder) + " of the label software is missing",
          std::move(folder.lines));
    }
  }

  bool IsInstalledPrinter(std::string_view name) {
    for (const PrinterFact& printer : Printers(report_)) {
      if (EqualsNoCase(printer.name, name)) return true;
    }
    for (const std::string_view listed : SpoolerPrinterNames(report_)) {
      std::string_view listedName = listed;
      std::string_view port;
      if (EqualsNoCase(listed, name)) return true;
      if (SplitPrinterRow(listed, listedName, port) && EqualsNoCase(listedName, name)) return true;
    }
    return false;
  }

  static std::string_view WithoutColon(std::string_view port) {
    return EndsWith(port, ":") ? port.substr(0, port.size() - 1) : port;
  }

  void SelectedPrinterAndPort() {
    const std::vector<PortFact> ports = SpoolerPorts(report_);
    for (const LabelSoftwareFact& version : LabelSoftware(report_)) {
      const std::string_view printer = version.selectedPrinter;
      if (!printer.empty() && printer != kNotDeterminable && !IsInstalledPrinter(printer)) {
        Add("selected-printer-unknown", Severity::Error,
            "Die Etikettensoftware " + Str(version.version) + " hat den Drucker " + Str(printer) +
                " gewählt, der nicht installiert ist",
            "Label software " + Str(version.version) + " has selected printer " + Str(printer) +
                ", which is not installed",
            {version.selectedPrinterLine});
      }
      const std::string_view port = version.selectedPort;
      if (port.empty() || port == kNotDeterminable || ports.empty()) continue;
      const bool known = std::any_of(ports.begin(), ports.end(), [&](const PortFact& fact) {
        return EqualsNoCase(WithoutColon(fact.name), WithoutColon(port));
      });
      if (!known) {
        Add("selected-port-unknown", Severity::Error,
            "Die Etikettensoftware " + Str(version.version) + " hat den Anschluss " + Str(port) +
                " gewählt, den der Spooler nicht kennt",
            "Label software " + Str(version.version) + " has selected port " + Str(port) +
                ", which the spooler does not know",
            {version.selectedPortLine});
      }
    }
  }

  // "FreeAvailable:  1229 Megabyte" in bytes; -1 when the text is not of that form.
  static long long FreeBytes(std::string_view value) {
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

  // The spooler writes every job into its spool folder (the printers key's
  // DefaultSpoolDirectory, on the Windows drive unless moved) before the printer gets it.
  std::string SpoolFolder() {
    const RegistryValue* spool =
        FindRegistryValue(report_, "\\Control\\Print\\Printers", "DefaultSpoolDirectory");
    if (spool != nullptr && RegistryText(spool->data).size() >= 3) {
      return Str(RegistryText(spool->data));
    }
    const TableRow* windows = FindRow(report_, "Windows Verzeichnis");
    return windows == nullptr ? std::string() : Str(windows->value);
  }

  void DiskSpace() {
    const std::string spoolFolder = SpoolFolder();
    if (spoolFolder.size() < 3) return;
    const std::string root = spoolFolder.substr(0, 2) + "\\";
    std::string_view drive;
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::Drives) continue;
      if (!row.key.empty()) {
        drive = row.key;
        continue;
      }
      const long long free = FreeBytes(row.value);
      if (free < 0 || free >= kSpoolReserveBytes || !EqualsNoCase(drive, root)) continue;
      const std::string freeText = Str(row.value.substr(row.value.find(':') + 1));
      const std::string shownFree = freeText.substr(freeText.find_first_not_of(' '));
      Add("low-disk-space", Severity::Error,
          Cat({"Laufwerk ", root, " hat nur ", shownFree,
               " frei; die Druckwarteschlange legt jeden Druckauftrag erst in ", spoolFolder,
               " ab und braucht dort mindestens 50 MB"}),
          Cat({"Drive ", root, " has only ", shownFree,
               " free; the spooler writes every print job to ", spoolFolder,
               " first and needs at least 50 MB there"}),
          {row.line});
    }
  }

  void EventErrors() {
    struct Group {
      std::string_view log, source, newest;
      std::vector<std::size_t> lines;
    };
    std::vector<Group> groups;
    for (const EventRecordFact& record : EventRecords(report_)) {
      if (record.type != "ERROR" || !ContainsAnyNoCase(record.source, kPrintingSources)) continue;
      auto group = std::find_if(groups.begin(), groups.end(), [&](const Group& g) {
        return g.log == record.log && g.source == record.source;
      });
      if (group == groups.end()) {
        // Records come newest first: the group's first record is its newest.
        groups.push_back({record.log, record.source, record.date, {}});
        group = groups.end() - 1;
      }
      group->lines.push_back(record.line);
    }
    for (Group& group : groups) {
      const std::size_t count = group.lines.size();
      const std::string number = std::to_string(count);
      Add("event-errors", Severity::Warning,
          Str(group.source) + " im Log " + Str(group.log) + ": " + number +
              (count == 1 ? " Fehlereintrag" : " Fehlereinträge") + ", der neueste vom " +
              Str(group.newest),
          Str(group.source) + " in the " + Str(group.log) + " log: " + number +
              (count == 1 ? " error record" : " error records") + ", the newest of " +
              Str(group.newest),
          std::move(group.lines));
    }
  }

  void TempFiles() {
    std::string names;
    std::vector<std::size_t> lines;
    for (const TableRow& row : report_.rows) {
      if (row.section != Section::TempDir || row.key.empty() || StartsWith(row.key, "[") ||
          StartsWith(row.key, "ERROR") || !ContainsAnyNoCase(row.key, kLabelSoftwareNames)) {
        continue;
      }
      if (!names.empty()) names += ", ";
      names += Str(row.key);
      lines.push_back(row.line);
    }
    if (lines.empty()) return;
    Add("temp-files-today", Severity::Note,
        "Heute von der Etikettensoftware oder ihrem Installer in Temp-Verzeichnissen abgelegt: " +
            names,
        "Left in the temporary folders today by the label software or its installer: " + names,
        std::move(lines));
  }

  const Report& report_;
  std::vector<Finding> findings_;
};

}  // namespace

const std::vector<Rule>& Catalogue() {
  static const std::vector<Rule> kRules = {
      {"report-cut-short", Severity::Error,
       "The report ends with ABNORMAL END OF KDXINFO, or stops without END OF KDXINFO"},
      {"not-administrator", Severity::Warning,
       "Administrator is FALSE, or ERROR(isAdmin): the services and parts of the registry are "
       "missing"},
      {"service-not-installed", Severity::Warning,
       "One of KDXMONX, SPOOLER, KDXMONGUARD, KDXUSB gives OpenService error 1060"},
      {"service-not-running", Severity::Warning,
       "One of the four printing services is installed but not RUNNING (its state is named)"},
      {"service-state-unknown", Severity::Note,
       "The service manager could not tell a printing service's state (no rights, other error)"},
      {"check-port-type", Severity::Error,
       "Check line: a printer entry's Port value of the label software is not REG_SZ"},
      {"check-country-code", Severity::Warning,
       "Check line: a Label Types subkey is none of DEU ENU ESP FRA ITA NLD CNY PTB"},
      {"check-empty-devmode", Severity::Warning,
       "Check line: a printer's Default DevMode value is empty"},
      {"check-monitor-not-started", Severity::Error, "Check line: KDXMONX ist nicht gestartet"},
      {"check-monitor-key-missing", Severity::Error,
       "Check line: the service key of KDXMONX could not be opened"},
      {"check-monitor-start-type", Severity::Warning,
       "Check line: KDXMONX is not set to start automatically (Start is not 2)"},
      {"check-spooler-not-started", Severity::Error, "Check line: Spooler ist nicht gestartet"},
      {"check-unknown", Severity::Note, "A check line this reader does not know"},
      {"file-versions-differ", Severity::Warning,
       "A file of the file list has copies marked {Different file}: every copy with its line, "
       "folder and version texts"},
      {"printer-without-driver", Severity::Error,
       "A printer key has no Printer Driver value (Kein Printer Driver Eintrag!)"},
      {"driver-files-undetermined", Severity::Warning,
       "A printer's driver key or its Dependent Files value is missing"},
      {"driver-file-missing", Severity::Error,
       "A dependent driver file of a printer is in none of the driver folders"},
      {"program-path-missing", Severity::Warning,
       "A program registered under App Paths (KDX, KELMO) is not found"},
      {"label-folder-missing", Severity::Warning,
       "The file inventory found no folder where the label software is installed (its program "
       "folder, or KELMO in the Windows folder)"},
      {"selected-printer-unknown", Severity::Error,
       "The printer selected in label software version 4 is not among the installed printers"},
      {"selected-port-unknown", Severity::Error,
       "The port selected in label software version 4 is not among the spooler's ports"},
      {"low-disk-space", Severity::Error,
       "The drive of the spool folder has less than 50 MB free for the user: the spooler "
       "writes every job there before printing it"},
      {"event-errors", Severity::Warning,
       "ERROR records of the spooler, print providers, usbprint, KDX services and monitor, or "
       "the label software: count and newest, per log and source"},
      {"temp-files-today", Severity::Note,
       "Entries of the temporary folders changed today whose names carry KDX, KELMO or DEXTA"},
  };
  return kRules;
}

std::vector<Finding> FindFindings(const Report& report) { return Findings(report).Apply(); }

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error:
      return "error";
    case Severity::Warning:
      return "warning";
    case Severity::Note:
      break;
  }
  return "note";
}

}  // namespace kdx::analysis
