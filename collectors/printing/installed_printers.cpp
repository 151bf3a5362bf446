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

void DescribeDriverFiles(RunContext& context, TRegistry& registry, const std::string& driver) {
  try {
    OpenDriverKey(context, registry, driver);
    DescribeDependentFiles(context, ReadDependentFilesData(context, registry));
  } catch (const ERegistryException&) {
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

void DescribePrinter(RunContext& context, TRegistry& registry, const std::string& subkey) {
  registry.OpenRead(subkey);
  std::string driver;
  if (registry.HasValue("Printer Driver")) {
    driver = registry.ReadText("Printer Driver");
  } else {
    context.AddReportRow("ERROR: " + subkey, "(Kein Printer Driver Eintrag!)");
  }
  const bool hasName = registry.HasValue("Name");
  context.installedPrinterNames.push_back(hasName ? registry.ReadText("Name") : std::string());
  const std::string port = registry.HasValue("Port") ? registry.ReadText("Port") : std::string();
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
    DescribePrinter(context, registry, subkey);
    registry.OpenRead(kPrintersKey);
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
  context.AddReportRow(kFence, "");
  try {
    DescribePrinterKeys(context, registry);
  } catch (const KdxError& error) {
    context.AddReportRow("ERROR", error.what());
  }
}

}  // namespace kdx
