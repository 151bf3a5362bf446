#include "collectors/printing/installed_printers.h"

#include <optional>
#include <vector>

#include "collectors/printing/describe_file.h"
#include "collectors/printing/printer_list.h"
#include "platform/errors.h"
#include "platform/name_list.h"

namespace kdx {

namespace {

constexpr char kFence[] = "##########";
constexpr char kPrintersKey[] = "\\System\\CurrentControlSet\\control\\Print\\Printers";
constexpr char kNtDriversKey[] =
    "\\System\\CurrentControlSet\\control\\Print\\Environments\\Windows NT x86\\Drivers\\";
constexpr char kWin9xDriversKey[] =
    "\\System\\CurrentControlSet\\control\\Print\\Environments\\Windows 4.0\\Drivers\\";
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

/// Opens the driver's key: on NT the Version-2 key first, then Version-3.
void OpenDriverKey(RunContext& context, TRegistry& registry, const std::string& driver) {
  const bool opened =
      context.isNT ? registry.OpenRead(kNtDriversKey + std::string("Version-2\\") + driver) ||
                         registry.OpenRead(kNtDriversKey + std::string("Version-3\\") + driver)
                   : registry.OpenRead(kWin9xDriversKey + driver);
  if (!opened) throw ERegistryException("Treiber '" + driver + "' nicht gefunden");
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

/// The driver's "Dependent Files", read once a run: every printer of the driver names the
/// same. Nothing when its key or value cannot be read. The open key is the driver's after a
/// first read only; the caller reopens the printers key either way.
const std::optional<std::string>& DependentFilesOfDriver(RunContext& context, TRegistry& registry,
                                                         const std::string& driver) {
  auto& known = context.answers.dependentFiles;
  if (const auto found = known.find(driver); found != known.end()) return found->second;
  std::optional<std::string> data;
  try {
    OpenDriverKey(context, registry, driver);
    data = ReadDependentFilesData(context, registry);
  } catch (const ERegistryException&) {
  }
  return known.emplace(driver, std::move(data)).first->second;
}

void DescribeDriverFiles(RunContext& context, TRegistry& registry, const std::string& driver) {
  const std::optional<std::string>& data = DependentFilesOfDriver(context, registry, driver);
  if (data) {
    DescribeDependentFiles(context, *data);
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

void DescribeDependentFiles(RunContext& context, const std::string& data) {
  if (data.empty()) return;
  context.AddReportRow(kDependentFilesHeading, "");
  for (const std::string& name : SplitNameList(data)) {
    bool found = DescribeDependentFile(context, context.driverDir, "", name);
    if (context.isNT) {
      found = DescribeDependentFile(context, context.driverDir, "2\\", name) || found;
      found = DescribeDependentFile(context, context.driverDir, "3\\", name) || found;
    }
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
