#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "analysis/report_reader.h"

namespace kdx::analysis {

// What the rules, the summaries and the comparison read out of a report, each with the number
// of its line in the file (0 where the report has no such line). Texts are views into the
// report unless they had to be put together.

/// A text of the report and its line.
struct Cited {
  std::string_view text;
  std::size_t line = 0;
};

/// A row of the report by its key.
struct KeyedRow {
  std::string_view key, value;
  std::size_t line = 0;
};

/// One of the four printing services the program asks about, in its order.
struct ServiceFact {
  std::string name;
  std::string state;  // "RUNNING", "STOPPED", ... or the error row's text
  bool installed = true;
  bool known = true;  // false when the service manager could not answer
  std::size_t line = 0;
  std::size_t listLine = 0;  // its line in the list of all services
};

/// A line of the list of all services: "name(display name): STATE".
struct ServiceListEntry {
  std::string_view name, displayName, state;
  std::size_t line = 0;
};

/// A service's key of the registry block (…\CurrentControlSet\Services\NAME).
struct ServiceKeyFact {
  std::string_view name;
  std::size_t line = 0;
  int start = -1;  // the Start value, -1 when it is not there
  std::size_t startLine = 0;
  std::string_view imagePath;  // as stored; expanded when the export shows the expansion
  std::size_t imagePathLine = 0;
};

/// A printer driver's key of the registry block, with the files it names itself.
struct DriverFact {
  std::string_view name;
  std::string_view environment;  // "Windows NT x86", "Windows x64", "Windows 4.0"
  std::vector<Cited> ownFiles;   // its "Driver", "Configuration File" and "Data File"
  std::size_t dependentFilesLine = 0;
};

/// A dependent file row of a printer: "3\KDX410.DLL" description, or "Fehler: Datei nicht
/// gefunden" under the bare name.
struct DependentFile {
  std::string_view name;    // without the driver folder's subfolder
  std::string_view folder;  // "", "2\", "3\"
  std::string_view description;
  bool found = true;
  std::size_t line = 0;
};

/// A printer of the printer section, with its driver and port from the registry block.
struct PrinterFact {
  std::string name;
  std::string port;
  std::string driver;
  std::size_t line = 0;              // "name an port"; 0 when the printer has no name row
  std::size_t noDriverLine = 0;      // "ERROR: key" "(Kein Printer Driver Eintrag!)"
  std::size_t undeterminedLine = 0;  // "Abhängige Dateien" "konnten nicht ermittelt werden"
  std::vector<DependentFile> files;
  /// Set up in the label software, or a printer of the label printers' maker: its findings
  /// count; the others' (fax, PDF writers) are notes.
  bool labelPrinter = false;
};

struct PortFact {
  std::string_view name;
  std::string_view rest;  // monitor and description, TAB-separated
  std::size_t line = 0;
};

/// A USB printer port of the USB section, with the rows that describe its device.
struct UsbPortFact {
  std::string_view name;  // "USB001:"
  std::size_t line = 0;
  std::vector<Cited> rows;
};

/// A value of an INI file as the report dumps it.
struct IniValue {
  std::string_view file, section, key, value;
  std::size_t line = 0;
};

/// The label software of version 4 or 5 as its section shows it.
struct LabelSoftwareFact {
  std::string_view version;  // "V4", "V5"
  std::string_view program;
  std::string_view appDir;
  std::string fileVersion;  // of the program file, from the file list
  std::size_t line = 0;
  Cited selectedPort, selectedPrinter;  // version 4 only
  std::size_t selectionFailedLine = 0;  // "FEHLER" "GetActualPrinter failed"
};

/// A printer the label software names, and the port it names with it.
struct LabelSelection {
  std::string_view source;  // "kdxwin.kdx", the INI file's name
  Cited printer, port;
};

/// A printer entry of the label software in the registry block (…\Installed Printers\NAME).
struct LabelPrinterEntry {
  std::string_view name;
  std::size_t line = 0;
};

/// A drive with its type and the three space rows ("FreeAvailable", "12 GigaByte").
struct DriveFact {
  std::string_view root, type;
  std::size_t line = 0;
  std::vector<KeyedRow> space;
  long long freeBytes = -1;  // free for the user; -1 when the report does not say
  std::size_t freeLine = 0;
};

/// An event record: its row, its message row (the rows' index, kNone without one) and its log.
struct EventRecordFact {
  static constexpr std::uint32_t kNone = 0xFFFFFFFF;
  std::uint32_t row = 0;
  std::uint32_t message = kNone;
  std::uint16_t log = 0;  // into ReportFacts::eventLogs
};

/// A log file the report copied: its name and its lines after the heading.
struct LogFileFact {
  std::string_view name;
  std::uint32_t at = 0;
  std::uint32_t lines = 0;
};

/// An App Paths program of the label software and what the file inventory said of it.
struct ProgramPathFact {
  std::string_view path, description, searchPath;
  bool found = true;
  std::size_t line = 0;
};

struct ReportFacts {
  explicit ReportFacts(const Report& source) : report(&source) {}

  const Report* report;
  bool nt = true;  // the NT family; the 95 family has no services and no driver versions
  std::string_view windows;
  Cited windowsDir, date, time, computer, user, administrator, adminError;
  std::vector<KeyedRow> memory;
  std::vector<DriveFact> drives;
  std::vector<ServiceFact> services;
  std::vector<ServiceListEntry> serviceList;
  std::vector<Cited> processes;
  Cited mutex;
  std::vector<UsbPortFact> usbPorts;
  std::vector<PortFact> ports;
  std::size_t portsLine = 0;  // "Druckeranschlüsse:"
  bool portsFailed = false;   // the spooler did not list its ports
  std::vector<IniValue> iniValues;
  std::vector<LabelSoftwareFact> labelSoftware;
  std::vector<LabelSelection> selections;
  std::vector<LabelPrinterEntry> labelPrinterEntries;
  std::vector<Cited> missingFolders;  // the inventory's "Verzeichnis nicht gefunden"
  std::vector<KeyedRow> tempEntries;  // the temporary folders' entries of the day, by path
  std::vector<std::string_view> spoolerPrinters;
  std::vector<PrinterFact> printers;
  std::vector<DriverFact> drivers;
  std::vector<ServiceKeyFact> serviceKeys;
  Cited spoolFolder;  // DefaultSpoolDirectory
  std::vector<ProgramPathFact> programPaths;
  std::vector<std::string_view> eventLogs;  // "System", "Application"
  std::vector<EventRecordFact> events;
  std::vector<LogFileFact> logFiles;
  bool fileListComplete = false;
  /// The file list's entries by the hash of their name as it stands between its quotes,
  /// ordered by it.
  std::vector<std::pair<std::size_t, std::uint32_t>> fileIndex;

  const TableRow& Row(std::uint32_t index) const { return report->rows[index]; }
  std::string_view EventType(const EventRecordFact& event) const;
  std::string_view EventSource(const EventRecordFact& event) const;
  std::string_view EventDate(const EventRecordFact& event) const;
  std::string_view EventLog(const EventRecordFact& event) const { return eventLogs[event.log]; }
  std::size_t EventLine(const EventRecordFact& event) const;
  /// The file list's entry of a file name (letters a to z compared without case); null when
  /// the list has none.
  const FileEntry* FindFile(std::string_view name) const;
  const PrinterFact* FindPrinter(std::string_view name) const;
  const ServiceFact* FindService(std::string_view name) const;
  const ServiceKeyFact* FindServiceKey(std::string_view name) const;
};

/// Reads everything the rules and the comparison look at out of the report, once.
ReportFacts GatherFacts(const Report& report);

/// The registry block's part of the facts: drivers, printers' drivers and ports, service keys,
/// the label software's printer entries, the spool folder.
void GatherRegistryFacts(const Report& report, ReportFacts& facts);

/// "FreeAvailable:  1229 Megabyte" in bytes; -1 when the text is not of that form.
long long FreeBytes(std::string_view value);

/// A printer row key "name an port" split at its last " an ".
bool SplitPrinterRow(std::string_view key, std::string_view& name, std::string_view& port);

/// A REG_SZ value's text without its quotes; the data as it stands otherwise.
std::string_view RegistryText(std::string_view data);

}  // namespace kdx::analysis
