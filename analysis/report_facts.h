#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/report_reader.h"

namespace kdx::analysis {

// What the rules, the summary and the comparison read out of a report, each with its line.

/// One of the four printing services the program asks about, in its order.
struct ServiceFact {
  std::string name;
  std::string state;  // "RUNNING", "STOPPED", ... or the error row's text
  bool installed = true;
  bool known = true;  // false when the service manager could not answer
  std::size_t line = 0;
};
std::vector<ServiceFact> PrintingServices(const Report& report);

/// A printer of the printer section, with its driver from the registry block.
struct DependentFile {
  std::string_view name;  // as the row key: "KDX410UI.DLL", "3\KDX410.DLL"
  std::string_view description;
  std::size_t line = 0;
};
struct PrinterFact {
  std::string name;
  std::string port;
  std::string driver;
  std::size_t line = 0;              // "name an port"; 0 when the printer has no name row
  std::size_t noDriverLine = 0;      // "ERROR: key" "(Kein Printer Driver Eintrag!)"
  std::size_t undeterminedLine = 0;  // "Abhängige Dateien" "konnten nicht ermittelt werden"
  std::vector<DependentFile> files;
};
std::vector<PrinterFact> Printers(const Report& report);

/// The names of the spooler's printer list ("##########" block); on the 95 family each name
/// carries " an " and its port.
std::vector<std::string_view> SpoolerPrinterNames(const Report& report);

struct PortFact {
  std::string_view name;
  std::string_view rest;  // monitor and description, TAB-separated
  std::size_t line = 0;
};
std::vector<PortFact> SpoolerPorts(const Report& report);

/// The label software of version 4 or 5 as its section shows it.
struct LabelSoftwareFact {
  std::string_view version;  // "V4", "V5"
  std::string_view program;
  std::string_view appDir;
  std::string fileVersion;  // of the program file, from the file list
  std::size_t line = 0;
  std::string_view selectedPort, selectedPrinter;  // version 4 only
  std::size_t selectedPortLine = 0, selectedPrinterLine = 0;
};
std::vector<LabelSoftwareFact> LabelSoftware(const Report& report);

struct EventRecordFact {
  std::string_view log;  // "System", "Application"
  std::string_view type;
  std::string_view source;
  std::string_view date;
  std::size_t line = 0;
  const TableRow* message = nullptr;  // the message row, when there is one
};
std::vector<EventRecordFact> EventRecords(const Report& report);

/// The first table row of this key; null when there is none.
const TableRow* FindRow(const Report& report, std::string_view key);

/// A value of the registry block, by the end of its key path and its name.
const RegistryValue* FindRegistryValue(const Report& report, std::string_view keyPathEnd,
                                       std::string_view name);

/// A REG_SZ value's text without its quotes; the data as it stands otherwise.
std::string_view RegistryText(std::string_view data);

/// A printer row key "name an port" split at its last " an ".
bool SplitPrinterRow(std::string_view key, std::string_view& name, std::string_view& port);

}  // namespace kdx::analysis
