#include "collectors/printing/port_list.h"

#include "collectors/printing/printer_list.h"

namespace kdx {

namespace {

constexpr char kHeading[] = "Druckeranschlüsse:";
constexpr char kErrorKey[] = "ERROR";
constexpr std::size_t kPortNameLength = 255;

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
    context.AddReportRow(kErrorKey, SpoolerFailureText(context, error, "EnumPorts"));
    return;
  }
  for (const PortInfo2& port : ports) {
    context.AddReportRow("", port.portName.substr(0, kPortNameLength) + "\t" + port.monitorName +
                                 "\t" + port.description);
  }
}

}  // namespace kdx
