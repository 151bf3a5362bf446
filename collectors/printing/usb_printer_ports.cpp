#include "collectors/printing/usb_printer_ports.h"

#include <cstdio>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/registry.h"

namespace kdx {

namespace {

constexpr char kStatusLine[] = "USB Drucker";
constexpr char kHeading[] = "USB Drucker:";
constexpr char kErrorKey[] = "ERROR";
constexpr char kPrinterInterfaceClassKey[] =
    "\\SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";
constexpr char kEnumKey[] = "\\SYSTEM\\CurrentControlSet\\Enum\\";

/// What the interface key and its device parameters tell about one USB printer port.
struct UsbPort {
  std::string deviceInstance;
  std::string baseName;
  std::int32_t portNumber = 0;
  std::string clientDeviceName;
  std::string portDescription;
};

/// The port's name: base name and the number in at least three digits, "USB001:".
std::string PortName(const UsbPort& port) {
  char number[16];
  std::snprintf(number, sizeof number, "%.03d", port.portNumber);
  return port.baseName + number + ":";
}

bool IsLinked(TRegistry& registry, const std::string& base) {
  if (!registry.HasKey(base + "\\#\\Control")) return false;
  registry.OpenRead(base + "\\#\\Control");
  return registry.HasValue("Linked") && registry.ReadFlag("Linked");
}

UsbPort ReadUsbPort(TRegistry& registry, const std::string& base) {
  UsbPort port;
  registry.OpenRead(base);
  port.deviceInstance = registry.ReadText("DeviceInstance");
  registry.OpenRead(base + "\\#\\Device Parameters");
  port.baseName = registry.ReadText("Base Name");
  port.portNumber = registry.ReadDword("Port Number");
  port.clientDeviceName = registry.ReadText("Client Device Name");
  port.portDescription = registry.ReadText("Port Description");
  return port;
}

void AddUsbPortRows(RunContext& context, TRegistry& registry, const std::string& base) {
  const UsbPort port = ReadUsbPort(registry, base);
  registry.OpenRead(kEnumKey + port.deviceInstance);
  context.AddReportRow(registry.ReadText("LocationInformation"), "");
  const std::string deviceClass = registry.ReadText("Class");
  context.AddReportRow("", "Port Number: " + std::to_string(port.portNumber));
  context.AddReportRow("", "Class: " + deviceClass);
  context.AddReportRow("", PortName(port));
  context.AddReportRow("", "ClassGUID: " + registry.ReadText("ClassGUID"));
  context.AddReportRow("", "DeviceDesc: " + registry.ReadText("DeviceDesc"));
  context.AddReportRow("", "Service: " + registry.ReadText("Service"));
  context.AddReportRow("", "Client Device Name: " + port.clientDeviceName);
  context.AddReportRow("", "Port Description: " + port.portDescription);
  context.AddReportRow("", port.deviceInstance);
  registry.OpenRead(base + "\\#");
  context.AddReportRow("", registry.ReadText("SymbolicLink"));
}

void AddLinkedPorts(RunContext& context, TRegistry& registry,
                    const std::vector<std::string>& interfaces) {
  for (auto name = interfaces.rbegin(); name != interfaces.rend(); ++name) {
    const std::string base = std::string(kPrinterInterfaceClassKey) + "\\" + *name;
    if (IsLinked(registry, base)) AddUsbPortRows(context, registry, base);
    registry.OpenRead(kPrinterInterfaceClassKey);
  }
}

}  // namespace

void CollectUsbPrinterPorts(RunContext& context) {
  context.LogStatus(kStatusLine);
  TRegistry registry(context.platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  std::vector<std::string> interfaces;
  if (registry.OpenRead(kPrinterInterfaceClassKey)) registry.SubkeyNames(interfaces);
  context.AddReportRow("", "");
  context.AddReportRow(kHeading, "");
  try {
    AddLinkedPorts(context, registry, interfaces);
  } catch (const KdxError& error) {
    // A port that cannot be read ends the list where it stands, named in a row of its own; the
    // run goes on, for the report is wanted most where the PC is broken.
    context.AddReportRow(kErrorKey, error.what());
  }
  context.AddReportRow("", "");
}

}  // namespace kdx
