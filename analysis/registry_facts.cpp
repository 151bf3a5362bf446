// The registry block's part of the facts, read in one pass over its keys.
#include <array>
#include <charconv>

#include "analysis/report_facts.h"
#include "analysis/text_match.h"

namespace kdx::analysis {
namespace {

constexpr std::string_view kPrintersKey = "\\Control\\Print\\Printers";
constexpr std::string_view kPrinterKeys = "\\Control\\Print\\Printers\\";
constexpr std::string_view kEnvironments = "\\Control\\Print\\Environments\\";
constexpr std::string_view kServices = "\\CurrentControlSet\\Services\\";
constexpr std::array<std::string_view, 2> kLabelPrinterKeys = {
    "\\Dexta Label Printer\\Installed Printers\\", "\\Kelmo Instruments\\KDX5\\Printers\\"};
// The values of a driver's key that name its own files, beside its dependent files.
constexpr std::array<std::string_view, 3> kOwnFileValues = {"Driver", "Configuration File",
                                                            "Data File"};

// The last element of a path below base (base found without case); empty when the path lies
// deeper or elsewhere.
std::string_view ChildOf(std::string_view path, std::string_view base) {
  const std::size_t at = FindNoCase(path, base);
  if (at == std::string_view::npos) return {};
  const std::string_view rest = path.substr(at + base.size());
  return rest.find('\\') == std::string_view::npos ? rest : std::string_view{};
}

int DwordOf(std::string_view data) {
  unsigned value = 0;
  if (!StartsWith(data, "dword:")) return -1;
  const char* begin = data.data() + 6;
  const auto result = std::from_chars(begin, data.data() + data.size(), value, 16);
  return result.ec == std::errc() ? static_cast<int>(value & 0x7FFFFFFF) : -1;
}

class RegistryFacts {
 public:
  RegistryFacts(const Report& report, ReportFacts& facts) : report_(report), facts_(facts) {}

  void Gather() {
    for (const RegistryKey& key : report_.registry) {
      const std::string_view path = report_.KeyPath(key);
      if (const std::string_view printer = ChildOf(path, kPrinterKeys); !printer.empty()) {
        Printer(key, printer);
      } else if (EndsWithNoCase(path, kPrintersKey)) {
        const RegistryValue* spool = Find(key, "DefaultSpoolDirectory");
        if (spool != nullptr) facts_.spoolFolder = Cite(*spool);
      } else if (FindNoCase(path, kEnvironments) != std::string_view::npos) {
        Driver(key, path.substr(FindNoCase(path, kEnvironments) + kEnvironments.size()));
      } else if (const std::string_view service = ChildOf(path, kServices); !service.empty()) {
        Service(key, service);
      } else {
        LabelPrinterEntry(key, path);
      }
    }
  }

 private:
  const RegistryValue* Find(const RegistryKey& key, std::string_view name) const {
    for (const RegistryValue* value = report_.ValuesBegin(key); value != report_.ValuesEnd(key);
         ++value) {
      if (report_.ValueName(*value) == name) return value;
    }
    return nullptr;
  }

  Cited Cite(const RegistryValue& value) const {
    return {RegistryText(report_.ValueData(value)), report_.Number(value.at)};
  }

  void Printer(const RegistryKey& key, std::string_view name) {
    const RegistryValue* driver = Find(key, "Printer Driver");
    for (PrinterFact& printer : facts_.printers) {
      if (EqualsNoCase(printer.name, name) && driver != nullptr) {
        printer.driver = std::string(Cite(*driver).text);
      }
    }
  }

  // "Windows NT x86\Drivers\Version-3\Dexta KD-410", "Windows 4.0\Drivers\Dexta KD-410".
  void Driver(const RegistryKey& key, std::string_view rest) {
    const std::size_t slash = rest.find('\\');
    if (slash == std::string_view::npos) return;
    const std::string_view environment = rest.substr(0, slash);
    rest.remove_prefix(slash + 1);
    if (!StartsWithNoCase(rest, "Drivers\\")) return;
    rest.remove_prefix(8);
    if (StartsWithNoCase(rest, "Version-")) {
      const std::size_t version = rest.find('\\');
      if (version == std::string_view::npos) return;
      rest.remove_prefix(version + 1);
    }
    if (rest.empty() || rest.find('\\') != std::string_view::npos) return;
    DriverFact driver{rest, environment, {}, 0};
    for (const std::string_view name : kOwnFileValues) {
      const RegistryValue* value = Find(key, name);
      if (value != nullptr && !Cite(*value).text.empty()) driver.ownFiles.push_back(Cite(*value));
    }
    if (const RegistryValue* files = Find(key, "Dependent Files")) {
      driver.dependentFilesLine = report_.Number(files->at);
    }
    facts_.drivers.push_back(std::move(driver));
  }

  void Service(const RegistryKey& key, std::string_view name) {
    ServiceKeyFact service{name, report_.Number(key.at), -1, 0, {}, 0};
    if (const RegistryValue* start = Find(key, "Start")) {
      service.start = DwordOf(report_.ValueData(*start));
      service.startLine = report_.Number(start->at);
    }
    if (const RegistryValue* image = Find(key, "ImagePath")) {
      service.imagePath = Cite(*image).text;
      service.imagePathLine = report_.Number(image->at);
      // The export shows a REG_EXPAND_SZ expanded on the line after it.
      const std::string_view next =
          image->at + 1 < report_.Lines() ? report_.Text(image->at + 1) : std::string_view{};
      if (StartsWith(next, "; ")) service.imagePath = next.substr(2);
    }
    facts_.serviceKeys.push_back(service);
  }

  void LabelPrinterEntry(const RegistryKey& key, std::string_view path) {
    for (const std::string_view base : kLabelPrinterKeys) {
      const std::string_view name = ChildOf(path, base);
      if (!name.empty()) facts_.labelPrinterEntries.push_back({name, report_.Number(key.at)});
    }
  }

  const Report& report_;
  ReportFacts& facts_;
};

// A printer of the label software: one it is set up for, or one of its maker's.
bool IsLabelPrinter(const PrinterFact& printer, const ReportFacts& facts) {
  static constexpr std::array<std::string_view, 3> kMaker = {"KDX", "KELMO", "DEXTA"};
  if (ContainsAnyNoCase(printer.name, kMaker) || ContainsAnyNoCase(printer.driver, kMaker)) {
    return true;
  }
  for (const DependentFile& file : printer.files) {
    if (ContainsNoCase(file.name, "KDX")) return true;
  }
  for (const auto& entry : facts.labelPrinterEntries) {
    if (EqualsNoCase(entry.name, printer.name)) return true;
  }
  for (const LabelSelection& selection : facts.selections) {
    if (EqualsNoCase(selection.printer.text, printer.name)) return true;
  }
  return false;
}

}  // namespace

void GatherRegistryFacts(const Report& report, ReportFacts& facts) {
  RegistryFacts(report, facts).Gather();
  for (PrinterFact& printer : facts.printers) printer.labelPrinter = IsLabelPrinter(printer, facts);
}

}  // namespace kdx::analysis
