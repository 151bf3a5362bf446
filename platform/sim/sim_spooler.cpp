#include "platform/sim/sim_spooler.h"

namespace kdx {

namespace {

// PORT_INFO_2A on 32-bit Windows: three text pointers, the port type and a reserved DWORD.
constexpr std::uint32_t kPortInfo2Size = 20;
constexpr std::uint32_t kPrinterInfoLevelNames = 4;
constexpr std::uint32_t kPrinterInfoLevelPorts = 5;

std::uint32_t PortBytes(const std::vector<PortInfo2>& ports) {
  std::size_t bytes = 0;
  for (const PortInfo2& port : ports) {
    bytes += kPortInfo2Size + port.portName.size() + port.monitorName.size() +
             port.description.size() + 3;
  }
  return static_cast<std::uint32_t>(bytes);
}

}  // namespace

long SimSpooler::EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                            std::vector<PortInfo2>& ports) {
  const auto& errors = config_.spooler.enumPortsErrors;
  const std::size_t call = portCalls_++;
  if (call < errors.size() && errors[call] != kErrorSuccess) return errors[call];
  needed = PortBytes(config_.spooler.ports);
  if (bufferSize < needed) return kErrorInsufficientBuffer;
  ports = config_.spooler.ports;
  return kErrorSuccess;
}

long SimSpooler::EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                               std::vector<PrinterEntry>& printers) {
  if (level != kPrinterInfoLevelNames && level != kPrinterInfoLevelPorts) {
    return kErrorInvalidLevel;
  }
  if (config_.spooler.enumPrintersError != kErrorSuccess) return config_.spooler.enumPrintersError;
  printers.clear();
  if ((flags & kPrinterEnumLocal) == 0) return kErrorSuccess;
  for (const PrinterEntry& printer : config_.spooler.printers) {
    printers.push_back(
        {printer.printerName, level == kPrinterInfoLevelPorts ? printer.portName : ""});
  }
  return kErrorSuccess;
}

}  // namespace kdx
