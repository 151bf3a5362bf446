#include "collectors/printing/port_list.h"

#include "platform/system_error_text.h"

namespace kdx {

namespace {

constexpr char kHeading[] = "Druckeranschlüsse:";
constexpr char kErrorKey[] = "ERROR";
constexpr std::size_t kPortNameLength = 255;

void AddErrorRow(RunContext& context, long error) {
  std::string message = "(";
  message += std::to_string(error);
  message += ": ";
  message += SystemErrorText(context.platform.System(), static_cast<std::uint32_t>(error));
  message += ") EnumPorts";
  context.AddReportRow(kErrorKey, std::move(message));
}

}  // namespace

void CollectPortList(RunContext& context) {
  context.AddReportRow(kHeading, "");
  PrintSpooler& spooler = context.platform.Spooler();
  std::vector<PortInfo2> ports;
  std::uint32_t needed = 0;
  long error = spooler.EnumPortsA(0, needed, ports);
  // A spooler without ports needs no bytes and answers the size query with success.
  if (error == kErrorInsufficientBuffer) error = spooler.EnumPortsA(needed, needed, ports);
  if (error != kErrorSuccess) {
    AddErrorRow(context, error);
    return;
  }
  for (const PortInfo2& port : ports) {
    context.AddReportRow("", port.portName.substr(0, kPortNameLength) + "\t" + port.monitorName +
                                 "\t" + port.description);
  }
}

}  // namespace kdx
