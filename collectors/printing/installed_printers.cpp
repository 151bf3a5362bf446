#include "collectors/printing/installed_printers.h"

#include <optional>
#include <unordered_map>
#include <vector>

#include "collectors/printing/describe_file.h"
#include "collectors/printing/printer_list.h"
#include "platform/errors.h"
#include "platform/name_list.h"

namespace kdx {

namespace {

constexpr char kFence[] = "##########";
constexpr char kPrintersKey[] = "\\System\\CurrentControlSet\\control\\Print\\Printers";
constexpr char kEnvironmentsKey[] = "\\System\\CurrentControlSet\\control\\Print\\Environments\\";
constexpr char kNtEnvironment[] = "Windows NT x86";
constexpr char kWin9xEnvironment[] = "Windows 4.0";
constexpr char kDependentFiles[] = "Dependent Files";
constexpr char kDependentFilesHeading[] = "Abhängige Dateien:";
constexpr char kPrinterOnPort[] = " an ";

/// Describes folder + name under the row key prefix + name; false when it cannot be described.
bool DescribeDependentFile(RunContext& context, const std::string& folder,
                           const std::string& prefix, const std::string& name) {
  try {
    std::optional<std::string> description = TryDescribeFile(context, folder + prefix + name);
    if (!description) return false;
    context.AddReportRow(prefix + name, std::move(*description));
    return true;
  } catch (const KdxError&) {
    return false;
  }
}

std::string DriversKey(const std::string& environment) {
  return kEnvironmentsKey + environment + "\\Drivers\\";
}

/// Opens the driver's key; where its files lie: the driver folder of the environment whose key
/// opened. A 64-bit Windows keeps the drivers its printers use under its own processor's
/// environment, so that one comes first there (Version-3, then Version-4); then, on NT, the x86
/// environment's Version-2 and Version-3 keys, which on a 64-bit Windows hold the drivers for
/// 32-bit clients; on Windows 95 to ME the "Windows 4.0" key.
DriverFiles OpenDriverKey(RunContext& context, TRegistry& registry, const std::string& driver) {
  if (!context.nativeEnvironment.empty()) {
    const std::string native = DriversKey(context.nativeEnvironment);
    if (registry.OpenRead(native + "Version-3\\" + driver)) {
      return DriverFiles{context.nativeDriverDir, {}, false};
    }
    if (registry.OpenRead(native + "Version-4\\" + driver)) {
      return DriverFiles{context.nativeDriverDir, {}, true};
    }
  }
  const std::string drivers = DriversKey(context.isNT ? kNtEnvironment : kWin9xEnvironment);
  const bool opened = context.isNT ? registry.OpenRead(drivers + "Version-2\\" + driver) ||
                                         registry.OpenRead(drivers + "Version-3\\" + driver)
                                   : registry.OpenRead(drivers + driver);
  if (!opened) throw ERegistryException("Treiber '" + driver + "' nicht gefunden");
  return DriverFiles{context.driverDir, {}, false};
}

/// "Dependent Files" of the driver's key as raw bytes, whatever its type.
std::string ReadDependentFilesData(RunContext& context, TRegistry& registry) {
  const std::int64_t size = registry.ValueSize(kDependentFiles);
  if (size < 0) throw ERegistryException(std::string("Wert '") + kDependentFiles + "' fehlt");
  std::string data(static_cast<std::size_t>(size), '\0');
  auto dataSize = static_cast<std::uint32_t>(size);
  const long error = context.platform.Registry().RegQueryValueExA(
      registry.CurrentKey(), kDependentFiles, nullptr, reinterpret_cast<std::uint8_t*>(data.data()),
      &dataSize);
  if (error != kErrorSuccess) {
    throw ERegistryException(std::string("Fehler beim Holen der Daten für '") + kDependentFiles +
                             "'");
  }
  data.resize(dataSize);
  return data;
}

/// The drivers' files read so far, by driver name; nothing for a driver whose key or value
/// cannot be read. The report may take the first answer: every printer of a driver names the
/// same files, and nothing the run does changes the driver's key.
struct DriverFilesByDriver {
  std::unordered_map<std::string, std::optional<DriverFiles>> byName;
};

/// The driver's "Dependent Files" and the folder they lie in, read once a run. The open key is
/// the driver's after a first read only; the caller reopens the printers key either way.
const std::optional<DriverFiles>& DependentFilesOfDriver(RunContext& context, TRegistry& registry,
                                                         const std::string& driver) {
  auto& known = context.caches.Of<DriverFilesByDriver>().byName;
  if (const auto found = known.find(driver); found != known.end()) return found->second;
  std::optional<DriverFiles> files;
  try {
    DriverFiles located = OpenDriverKey(context, registry, driver);
    located.data = ReadDependentFilesData(context, registry);
    files = std::move(located);
  } catch (const ERegistryException&) {
  }
  return known.emplace(driver, std::move(files)).first->second;
}

void DescribeDriverFiles(RunContext& context, TRegistry& registry, const std::string& driver) {
  const std::optional<DriverFiles>& files = DependentFilesOfDriver(context, registry, driver);
  if (files) {
    DescribeDependentFiles(context, *files);
  } else {
    context.AddReportRow("Abhängige Dateien", "konnten nicht ermittelt werden");
  }
}

/// The port of a printer list element "<printer> an <port>". Port names hold no " an ", so
/// the last one separates them even when the printer's name holds one.
std::string PortOfListElement(const std::string& element) {
  const std::size_t separator = element.rfind(kPrinterOnPort);
  if (separator == std::string::npos) return {};
  return element.substr(separator + sizeof kPrinterOnPort - 1);
}

/// The [Ports] setting and the FIFO setting of each COM port the printer prints to. An empty
/// name matches every element of the printer list, as a prefix comparison does.
void AddSerialPortRows(RunContext& context, const std::string& name) {
  for (const std::string& element : PlatformPrinterList(context)) {
    if (element.compare(0, name.size(), name) != 0) continue;
    const std::string port = PortOfListElement(element);
    if (port.compare(0, 3, "COM") != 0) continue;
    context.AddReportRow(port, context.winIni.value().ReadString("Ports", port));
    const std::string device = port.substr(0, 4);
    context.AddReportRow(device + "FIFO",
                         context.systemIni.value().ReadString("386enh", device + "Fifo"));
  }
}

/// Reads the printer's values from the key registry has open.
void DescribePrinter(RunContext& context, TRegistry& registry, const std::string& subkey) {
  const std::optional<std::string> driverValue = registry.ReadTextIfPresent("Printer Driver");
  const std::string driver = driverValue.value_or("");
  if (!driverValue) context.AddReportRow("ERROR: " + subkey, "(Kein Printer Driver Eintrag!)");
  const std::optional<std::string> name = registry.ReadTextIfPresent("Name");
  const bool hasName = name.has_value();
  context.installedPrinterNames.push_back(name.value_or(""));
  const std::string port = registry.ReadTextIfPresent("Port").value_or("");
  if (hasName) {
    context.AddReportRow(context.installedPrinterNames.back() + kPrinterOnPort + port, "");
  }
  if (!driver.empty()) {
    DescribeDriverFiles(context, registry, driver);
    if (!context.isNT) AddSerialPortRows(context, context.installedPrinterNames.back());
  }
}

void DescribePrinterKeys(RunContext& context, TRegistry& registry) {
  registry.SelectRoot(kHKeyLocalMachine);
  std::vector<std::string> printers;
  if (registry.OpenRead(kPrintersKey)) registry.SubkeyNames(printers);
  context.AddReportRow("Drucker:", std::to_string(printers.size()));
  for (const std::string& subkey : printers) {
    // Each printer key is read through a reader of its own, so that the printers key stays
    // open rather than being opened again after every printer. A printer key that does not
    // open leaves its values to be read from the printers key, as a failed open below it
    // always has.
    TRegistry printer(context.platform.Registry());
    printer.SelectRoot(kHKeyLocalMachine);
    if (printer.OpenRead(std::string(kPrintersKey) + "\\" + subkey)) {
      DescribePrinter(context, printer, subkey);
    } else {
      DescribePrinter(context, registry, subkey);
      registry.OpenRead(kPrintersKey);
    }
    context.AddReportRow("", "");
  }
}

}  // namespace

void DescribeDependentFiles(RunContext& context, const DriverFiles& files) {
  if (files.data.empty()) return;
  context.AddReportRow(kDependentFilesHeading, "");
  const std::string& folder = files.folder;
  for (const std::string& name : SplitNameList(files.data)) {
    bool found = DescribeDependentFile(context, folder, "", name);
    if (context.isNT) {
      found = DescribeDependentFile(context, folder, "2\\", name) || found;
      found = DescribeDependentFile(context, folder, "3\\", name) || found;
    }
    // The spooler keeps a Version-4 driver's files in the folder its key's "Directory" names.
    if (files.version4) found = DescribeDependentFile(context, folder, "4\\", name) || found;
    if (!found) context.AddReportRow(name, kFileMissing);
  }
}

void CollectInstalledPrinters(RunContext& context, TRegistry& registry) {
  context.AddReportRow(kFence, "");
  for (const std::string& printer : PlatformPrinterList(context)) context.AddReportRow("", printer);
  // A spooler that cannot list its printers must not look like one that has none.
  if (context.platformPrintersError != kErrorSuccess) {
    context.AddReportRow(
        "ERROR", SpoolerFailureText(context, context.platformPrintersError, "EnumPrinters"));
  }
  context.AddReportRow(kFence, "");
  try {
    DescribePrinterKeys(context, registry);
  } catch (const KdxError& error) {
    context.AddReportRow("ERROR", error.what());
  }
}

}  // namespace kdx
