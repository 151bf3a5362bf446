#include "analysis/report_facts.h"

#include <array>

#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

constexpr std::array<std::string_view, 4> kPrintingServices = {"KDXMONX", "SPOOLER", "KDXMONGUARD",
                                                               "KDXUSB"};
constexpr std::string_view kNotInstalledError = "Error 1060";
constexpr std::string_view kPrinterListBorder = "##########";

template <typename Visit>
void ForRowsIn(const Report& report, Section section, Visit visit) {
  for (const TableRow& row : report.rows) {
    if (row.section == section) visit(row);
  }
}

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

ServiceFact ServiceFrom(const TableRow& row, std::string_view expected) {
  ServiceFact fact;
  fact.line = row.line;
  if (row.key == "Service") {
    const std::size_t status = row.value.find(" Status ");
    fact.name = std::string(row.value.substr(0, status));
    const std::size_t colon = row.value.find(": ");
    fact.state = colon == std::string_view::npos ? std::string(row.value)
                                                 : std::string(row.value.substr(colon + 2));
    return fact;
  }
  fact.name = ServiceNamedIn(row.value, expected);
  fact.state = std::string(row.value);
  const bool notInstalled = StartsWith(row.value, "OpenService ") &&
                            row.value.find(kNotInstalledError) != std::string_view::npos;
  fact.installed = !notInstalled;
  fact.known = notInstalled;
  return fact;
}

bool IsSerialRow(std::string_view key, std::string_view port) {
  return port.size() >= 4 && StartsWith(port, "COM") &&
         (key == port || key == std::string(port.substr(0, 4)) + "FIFO");
}

}  // namespace

std::vector<ServiceFact> PrintingServices(const Report& report) {
  std::vector<ServiceFact> services;
  ForRowsIn(report, Section::Services, [&](const TableRow& row) {
    if (services.size() == kPrintingServices.size()) return;
    if (row.key == "Service" || row.key == "Error") {
      services.push_back(ServiceFrom(row, kPrintingServices[services.size()]));
    }
  });
  return services;
}

bool SplitPrinterRow(std::string_view key, std::string_view& name, std::string_view& port) {
  const std::size_t an = key.rfind(" an ");
  if (an == std::string_view::npos) return false;
  name = key.substr(0, an);
  port = key.substr(an + 4);
  return true;
}

std::vector<PrinterFact> Printers(const Report& report) {
  std::vector<PrinterFact> printers;
  bool inRegistryLoop = false;
  bool inFiles = false;
  PrinterFact current;
  const auto finish = [&] {
    if (current.line != 0 || current.noDriverLine != 0 || !current.files.empty() ||
        current.undeterminedLine != 0) {
      printers.push_back(std::move(current));
    }
    current = PrinterFact{};
    inFiles = false;
  };
  ForRowsIn(report, Section::Printers, [&](const TableRow& row) {
    if (row.key == "Drucker:") {
      inRegistryLoop = true;
      return;
    }
    if (!inRegistryLoop) return;
    std::string_view name;
    std::string_view port;
    if (row.key.empty() && row.value.empty()) {
      finish();
    } else if (row.key == "ERROR") {
      finish();
      inRegistryLoop = false;
    } else if (StartsWith(row.key, "ERROR: ") && row.value == "(Kein Printer Driver Eintrag!)") {
      current.noDriverLine = row.line;
      current.name = std::string(row.key.substr(7));
    } else if (row.key == "Abhängige Dateien:") {
      inFiles = true;
    } else if (row.key == "Abhängige Dateien" && row.value == "konnten nicht ermittelt werden") {
      current.undeterminedLine = row.line;
    } else if (inFiles && !row.key.empty() && !IsSerialRow(row.key, current.port)) {
      current.files.push_back({row.key, row.value, row.line});
    } else if (current.line == 0 && row.value.empty() && SplitPrinterRow(row.key, name, port)) {
      current.line = row.line;
      current.name = std::string(name);
      current.port = std::string(port);
    }
  });
  finish();
  for (PrinterFact& printer : printers) {
    const RegistryValue* driver =
        FindRegistryValue(report, "\\Control\\Print\\Printers\\" + printer.name, "Printer Driver");
    if (driver != nullptr) printer.driver = std::string(RegistryText(driver->data));
  }
  return printers;
}

std::vector<std::string_view> SpoolerPrinterNames(const Report& report) {
  std::vector<std::string_view> names;
  int borders = 0;
  ForRowsIn(report, Section::Printers, [&](const TableRow& row) {
    if (row.key == kPrinterListBorder) {
      ++borders;
    } else if (borders == 1 && row.key.empty()) {
      names.push_back(row.value);
    }
  });
  return names;
}

std::vector<PortFact> SpoolerPorts(const Report& report) {
  std::vector<PortFact> ports;
  ForRowsIn(report, Section::Ports, [&](const TableRow& row) {
    if (!row.key.empty() || row.value.empty()) return;
    const std::size_t tab = row.value.find('\t');
    ports.push_back({row.value.substr(0, tab),
                     tab == std::string_view::npos ? std::string_view{} : row.value.substr(tab + 1),
                     row.line});
  });
  return ports;
}

std::vector<LabelSoftwareFact> LabelSoftware(const Report& report) {
  std::vector<LabelSoftwareFact> versions;
  ForRowsIn(report, Section::LabelSoftware, [&](const TableRow& row) {
    if (row.key == "Software V4" || row.key == "Software V5") {
      LabelSoftwareFact fact;
      fact.version = row.key.substr(9);
      fact.line = row.line;
      versions.push_back(fact);
      return;
    }
    if (versions.empty()) return;
    LabelSoftwareFact& fact = versions.back();
    if (row.key == "Program" && fact.program.empty()) fact.program = row.value;
    if (row.key == "AppDir" && fact.appDir.empty()) fact.appDir = row.value;
    if (row.key == "gewählter Port") {
      fact.selectedPort = row.value;
      fact.selectedPortLine = row.line;
    }
    if (row.key == "gewählter Drucker") {
      fact.selectedPrinter = row.value;
      fact.selectedPrinterLine = row.line;
    }
  });
  for (LabelSoftwareFact& fact : versions) {
    const std::size_t slash = fact.program.rfind('\\');
    if (slash == std::string_view::npos) continue;
    const std::string folder = UpperAscii(fact.program.substr(0, slash + 1));
    const std::string name = UpperAscii(fact.program.substr(slash + 1));
    for (const FileEntry& entry : report.files) {
      for (const FileCopy& copy : entry.copies) {
        if (copy.name == name && EqualsNoCase(copy.folder, folder)) {
          fact.fileVersion = copy.fileVersion;
        }
      }
    }
  }
  return versions;
}

std::vector<EventRecordFact> EventRecords(const Report& report) {
  std::vector<EventRecordFact> records;
  std::string_view log;
  ForRowsIn(report, Section::EventLog, [&](const TableRow& row) {
    if (row.key == "EventLog") {
      log = row.value;
      return;
    }
    const std::size_t bar = row.key.find('|');
    if (bar != std::string_view::npos) {
      records.push_back(
          {log, row.key.substr(0, bar), row.key.substr(bar + 1), row.value, row.line, nullptr});
    } else if (row.key.empty() && !records.empty() && records.back().message == nullptr &&
               records.back().log == log && !row.value.empty()) {
      records.back().message = &row;
    }
  });
  return records;
}

const TableRow* FindRow(const Report& report, std::string_view key) {
  for (const TableRow& row : report.rows) {
    if (row.key == key) return &row;
  }
  return nullptr;
}

const RegistryValue* FindRegistryValue(const Report& report, std::string_view keyPathEnd,
                                       std::string_view name) {
  for (const RegistryKey& key : report.registry) {
    if (!EndsWithNoCase(key.path, keyPathEnd)) continue;
    for (const RegistryValue& value : key.values) {
      if (value.name == name) return &value;
    }
  }
  return nullptr;
}

std::string_view RegistryText(std::string_view data) {
  if (data.size() >= 2 && data.front() == '"' && data.back() == '"') {
    return data.substr(1, data.size() - 2);
  }
  return data;
}

}  // namespace kdx::analysis
