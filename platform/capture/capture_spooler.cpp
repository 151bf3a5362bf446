#include "platform/capture/capture_areas.h"

namespace kdx {

long CaptureSpooler::EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                                std::vector<PortInfo2>& ports) {
  const long error = Inner().EnumPortsA(bufferSize, needed, ports);
  SimSpoolerLists& spooler = record_.machine.spooler;
  // Each call's outcome in turn: the replay fails the same calls, and answers the others.
  const bool failed = error != kErrorSuccess && error != kErrorInsufficientBuffer;
  spooler.enumPortsErrors.push_back(failed ? error : kErrorSuccess);
  if (error == kErrorSuccess) spooler.ports = ports;
  return error;
}

long CaptureSpooler::EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                                   std::vector<PrinterEntry>& printers) {
  const long error = Inner().EnumPrintersA(flags, level, printers);
  SimSpoolerLists& spooler = record_.machine.spooler;
  if (error != kErrorSuccess) {
    spooler.enumPrintersError = error;
  } else if (level == 5 || spooler.printers.empty()) {
    // Level 5 names the ports too; level 4 only the printers.
    spooler.printers = printers;
  }
  return error;
}

}  // namespace kdx
