#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/error_codes.h"

namespace kdx {

/// EnumPrintersA flags.
inline constexpr std::uint32_t kPrinterEnumLocal = 0x2;
inline constexpr std::uint32_t kPrinterEnumConnections = 0x4;

/// A PORT_INFO_2 record: the port, its monitor and its description.
struct PortInfo2 {
  std::string portName;
  std::string monitorName;
  std::string description;
  bool operator==(const PortInfo2&) const = default;
};

/// A printer as EnumPrintersA lists it: PRINTER_INFO_4 gives its name, PRINTER_INFO_5 its
/// name and its ports ("COM1:" or "LPT1:,LPT2:").
struct PrinterEntry {
  std::string printerName;
  std::string portName;  ///< level 5 only
  bool operator==(const PrinterEntry&) const = default;
};

/// The print spooler's lists of ports and printers.
///
/// Failure style: Win32 error codes as the calls give them (GetLastError after a call that
/// returned 0), kErrorRpcServerUnavailable when the spooler does not run. No call raises.
class PrintSpooler {
 public:
  virtual ~PrintSpooler() = default;

  /// EnumPortsA of the local computer at level 2 into a buffer of bufferSize bytes (0: no
  /// buffer). needed receives the bytes the records take. Returns kErrorSuccess with ports
  /// filled when they fit, kErrorInsufficientBuffer when they do not, or the code of a
  /// failed call.
  virtual long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                          std::vector<PortInfo2>& ports) = 0;
  /// EnumPrintersA(flags, local computer, level 4 or 5) with a buffer of the size the spooler
  /// asks for: the printers in the spooler's order. Returns the error code of a failed call.
  virtual long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                             std::vector<PrinterEntry>& printers) = 0;
};

}  // namespace kdx
