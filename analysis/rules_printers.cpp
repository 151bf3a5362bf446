// Rules over the installed printers, their drivers and ports. A driver's faults are one finding
// for all printers on it; faults of printers the label software does not use are notes.
#include <algorithm>
#include <array>

#include "analysis/rules.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

// The printers on one driver; a printer whose driver the report does not name is a group of
// its own.
struct DriverGroup {
  std::string driver;
  std::vector<const PrinterFact*> printers;

  bool OtherPrinters() const {
    return std::none_of(printers.begin(), printers.end(),
                        [](const PrinterFact* printer) { return printer->labelPrinter; });
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const PrinterFact* printer : printers) names.push_back(printer->name);
    return names;
  }
  // "des Druckers X" / "der Drucker X und Y"; "of printer X" / "of printers X and Y".
  std::string Whose(bool german) const {
    const bool one = printers.size() == 1;
    if (german) return (one ? "des Druckers " : "der Drucker ") + ListOf(Names(), true);
    return (one ? "of printer " : "of printers ") + ListOf(Names(), false);
  }
};

template <typename Keep>
std::vector<DriverGroup> GroupByDriver(const ReportFacts& facts, Keep keep) {
  std::vector<DriverGroup> groups;
  for (const PrinterFact& printer : facts.printers) {
    if (!keep(printer)) continue;
    auto group = std::find_if(groups.begin(), groups.end(), [&](const DriverGroup& g) {
      return !printer.driver.empty() && EqualsNoCase(g.driver, printer.driver);
    });
    if (group == groups.end()) {
      groups.push_back({printer.driver, {}});
      group = groups.end() - 1;
    }
    group->printers.push_back(&printer);
  }
  return groups;
}

const DriverFact* DriverNamed(const ReportFacts& facts, std::string_view name) {
  for (const DriverFact& driver : facts.drivers) {
    if (EqualsNoCase(driver.name, name)) return &driver;
  }
  return nullptr;
}

void AddUnique(std::vector<std::string>& names, std::string_view name) {
  const bool known = std::any_of(names.begin(), names.end(), [&](const std::string& other) {
    return EqualsNoCase(other, name);
  });
  if (!known) names.emplace_back(name);
}

constexpr RuleInfo kWithoutDriver{
    "printer-without-driver", Severity::Error,
    "A printer key has no Printer Driver value (Kein Printer Driver Eintrag!); a note for "
    "printers the label software does not use",
    "Den Drucker löschen und mit seinem Treiber neu installieren.",
    "Delete the printer and install it again with its driver."};

void WithoutDriver(const ReportFacts& facts, FindingSink& sink) {
  for (const PrinterFact& printer : facts.printers) {
    if (printer.noDriverLine == 0) continue;
    Found found{printer.name,
                "Drucker " + printer.name + " hat keinen Eintrag \"Printer Driver\"",
                "Printer " + printer.name + " has no \"Printer Driver\" entry",
                {printer.noDriverLine, printer.line}};
    found.otherPrinters = !printer.labelPrinter;
    sink.Add(std::move(found));
  }
}

constexpr RuleInfo kFilesUndetermined{
    "driver-files-undetermined", Severity::Warning,
    "A driver's key or its Dependent Files value is missing: one finding per driver, naming its "
    "printers (a note for printers the label software does not use)",
    "Den Druckertreiber neu installieren; sein Registry-Schlüssel unter Environments ist "
    "unvollständig.",
    "Reinstall the printer driver; its registry key under Environments is incomplete."};

void FilesUndetermined(const ReportFacts& facts, FindingSink& sink) {
  for (const DriverGroup& group : GroupByDriver(
           facts, [](const PrinterFact& printer) { return printer.undeterminedLine != 0; })) {
    Found found{group.driver,
                "Die abhängigen Dateien " + group.Whose(true) +
                    " konnten nicht ermittelt werden (Treiberschlüssel " + group.driver +
                    " oder sein \"Dependent Files\" fehlt)",
                "The dependent files " + group.Whose(false) +
                    " could not be determined (driver key " + group.driver +
                    " or its \"Dependent Files\" missing)",
                {}};
    for (const PrinterFact* printer : group.printers) {
      found.lines.push_back(printer->undeterminedLine);
      found.lines.push_back(printer->line);
    }
    found.otherPrinters = group.OtherPrinters();
    sink.Add(std::move(found));
  }
}

constexpr RuleInfo kFileMissing{
    "driver-file-missing", Severity::Error,
    "A dependent file of a printer's driver is in none of the driver folders: one finding per "
    "driver, naming its printers and files (a note for printers the label software does not "
    "use)",
    "Den Druckertreiber neu installieren (Treiberpaket des Herstellers, als Administrator), "
    "damit alle seine Dateien wieder im Treiberordner liegen.",
    "Reinstall the printer driver (the maker's driver package, as an administrator), so that "
    "all its files are in the driver folder again."};

void FileMissing(const ReportFacts& facts, FindingSink& sink) {
  const auto hasMissing = [](const PrinterFact& printer) {
    return std::any_of(printer.files.begin(), printer.files.end(),
                       [](const DependentFile& file) { return !file.found; });
  };
  for (const DriverGroup& group : GroupByDriver(facts, hasMissing)) {
    std::vector<std::string> files;
    Found found;
    for (const PrinterFact* printer : group.printers) {
      found.lines.push_back(printer->line);
      for (const DependentFile& file : printer->files) {
        if (file.found) continue;
        AddUnique(files, file.name);
        found.lines.push_back(file.line);
      }
    }
    if (const DriverFact* driver = DriverNamed(facts, group.driver)) {
      found.lines.push_back(driver->dependentFilesLine);
    }
    const bool one = files.size() == 1;
    const std::string driver = group.driver.empty() ? "" : " " + group.driver;
    found.subject = group.driver.empty() ? group.printers.front()->name : group.driver;
    found.text = "Dem Druckertreiber" + driver + " " + group.Whose(true) +
                 (one ? " fehlt die abhängige Datei " : " fehlen die abhängigen Dateien ") +
                 ListOf(files, true) + (one ? ": sie liegt" : ": sie liegen") +
                 " in keinem der Treiberordner";
    found.textEn = "The printer driver" + driver + " " + group.Whose(false) +
                   (one ? " lacks its dependent file " : " lacks its dependent files ") +
                   ListOf(files, false) + (one ? ": it is" : ": they are") +
                   " in none of the driver folders";
    found.otherPrinters = group.OtherPrinters();
    sink.Add(std::move(found));
  }
}

// The folders of a driver environment that the file list shows whole, as it writes them.
std::vector<std::string_view> DriverFolders(std::string_view environment) {
  if (EqualsNoCase(environment, "Windows NT x86")) {
    return {"\\SPOOL\\DRIVERS\\W32X86\\", "\\SPOOL\\DRIVERS\\W32X86\\2\\",
            "\\SPOOL\\DRIVERS\\W32X86\\3\\"};
  }
  if (EqualsNoCase(environment, "Windows x64")) {
    return {"\\SPOOL\\DRIVERS\\X64\\", "\\SPOOL\\DRIVERS\\X64\\3\\"};
  }
  return {};
}

bool InFolders(const ReportFacts& facts, std::string_view file,
               const std::vector<std::string_view>& folders) {
  const FileEntry* entry = facts.FindFile(file);
  if (entry == nullptr) return false;
  for (const FileCopy* copy = facts.report->CopiesBegin(*entry);
       copy != facts.report->CopiesEnd(*entry); ++copy) {
    const std::string_view folder = facts.report->Fields(*copy).raw[FileCopyFields::Folder];
    for (const std::string_view suffix : folders) {
      if (EndsWithNoCase(folder, suffix)) return true;
    }
  }
  return false;
}

// The inventory lists an NT system's driver folders whole; the file list shows that it did
// for an environment when it holds a file of its folders (a 64-bit Windows may list another
// environment's than the 32-bit one's).
bool FoldersListed(const ReportFacts& facts, const std::vector<std::string_view>& folders) {
  if (!facts.fileListComplete || !facts.nt || folders.empty()) return false;
  for (const FileCopy& copy : facts.report->copies) {
    if (ContainsNoCase(facts.report->Fields(copy).raw[FileCopyFields::Folder], folders.front())) {
      return true;
    }
  }
  return false;
}

constexpr RuleInfo kOwnFileMissing{
    "driver-own-file-missing", Severity::Error,
    "A file the driver's key names itself (Driver, Configuration File, Data File) is in none "
    "of the driver folders the file list shows whole (NT family): one finding per driver, "
    "naming its printers (a note for printers the label software does not use)",
    "Den Druckertreiber neu installieren (Treiberpaket des Herstellers, als Administrator); "
    "ohne diese Dateien kann Windows den Drucker nicht ansteuern.",
    "Reinstall the printer driver (the maker's driver package, as an administrator); without "
    "these files Windows cannot drive the printer."};

void OwnFileMissing(const ReportFacts& facts, FindingSink& sink) {
  std::vector<std::string> judged;
  for (const DriverFact& driver : facts.drivers) {
    const std::vector<std::string_view> folders = DriverFolders(driver.environment);
    if (!FoldersListed(facts, folders)) continue;
    const std::vector<DriverGroup> groups = GroupByDriver(facts, [&](const PrinterFact& printer) {
      return EqualsNoCase(printer.driver, driver.name);
    });
    if (groups.empty()) continue;
    // A driver's key of its other version: Version-2 comes first, and is the one Windows takes.
    const std::size_t before = judged.size();
    AddUnique(judged, std::string(driver.environment) + "\\" + std::string(driver.name));
    if (judged.size() == before) continue;
    std::vector<std::string> missing;
    Found found;
    for (const Cited& own : driver.ownFiles) {
      // A file the dependent files name too was described there, found or not; one that was
      // not found has its finding there already: one finding per cause.
      const bool named = std::any_of(
          groups.front().printers.begin(), groups.front().printers.end(), [&](const auto* p) {
            return std::any_of(p->files.begin(), p->files.end(), [&](const DependentFile& f) {
              return EqualsNoCase(f.name, own.text);
            });
          });
      if (named || InFolders(facts, own.text, folders)) continue;
      AddUnique(missing, own.text);
      found.lines.push_back(own.line);
    }
    if (missing.empty()) continue;
    for (const PrinterFact* printer : groups.front().printers) found.lines.push_back(printer->line);
    // The 32-bit driver is the one a 32-bit system prints with; another one says which it is.
    const std::string name =
        std::string(driver.name) + (EqualsNoCase(driver.environment, "Windows NT x86")
                                        ? ""
                                        : " (" + std::string(driver.environment) + ")");
    const bool one = missing.size() == 1;
    found.subject = name;
    found.text = "Der Druckertreiber " + name + " " + groups.front().Whose(true) +
                 (one ? " nennt die Datei " : " nennt die Dateien ") + ListOf(missing, true) +
                 ", die in keinem der Treiberordner " + (one ? "liegt" : "liegen");
    found.textEn = "The printer driver " + name + " " + groups.front().Whose(false) +
                   (one ? " names the file " : " names the files ") + ListOf(missing, false) +
                   (one ? ", which is" : ", which are") + " in none of the driver folders";
    found.otherPrinters = groups.front().OtherPrinters();
    sink.Add(std::move(found));
  }
}

constexpr RuleInfo kPortUnknown{
    "printer-port-unknown", Severity::Error,
    "A printer's port is not among the spooler's ports (a note for printers the label software "
    "does not use)",
    "In den Druckereigenschaften (Register Anschlüsse) den Anschluss wählen, an dem der Drucker "
    "hängt; fehlt er, den Drucker neu anschließen oder den Anschluss neu anlegen.",
    "Choose the port the printer is connected to in the printer's properties (Ports tab); if it "
    "is missing, reconnect the printer or add the port again."};

void PortUnknown(const ReportFacts& facts, FindingSink& sink) {
  if (facts.ports.empty() || facts.portsFailed) return;
  for (const PrinterFact& printer : facts.printers) {
    if (printer.line == 0) continue;
    std::vector<std::string> unknown;
    std::string_view ports = printer.port;
    while (!ports.empty()) {
      const std::size_t comma = ports.find(',');
      const std::string_view port = Trimmed(ports.substr(0, comma));
      ports = comma == std::string_view::npos ? std::string_view{} : ports.substr(comma + 1);
      // A network share is no port of the spooler's own.
      if (!port.empty() && !StartsWith(port, "\\\\") && !SpoolerHasPort(facts, port)) {
        unknown.emplace_back(port);
      }
    }
    if (unknown.empty()) continue;
    Found found{printer.name,
                "Drucker " + printer.name + " druckt auf " + ListOf(unknown, true) +
                    ", den die Druckwarteschlange nicht kennt",
                "Printer " + printer.name + " prints to " + ListOf(unknown, false) +
                    ", which the spooler does not know",
                {printer.line, facts.portsLine}};
    found.otherPrinters = !printer.labelPrinter;
    sink.Add(std::move(found));
  }
}

}  // namespace

std::vector<Rule> PrinterRules() {
  return {{kWithoutDriver, WithoutDriver},
          {kFilesUndetermined, FilesUndetermined},
          {kFileMissing, FileMissing},
          {kOwnFileMissing, OwnFileMissing},
          {kPortUnknown, PortUnknown}};
}

}  // namespace kdx::analysis
