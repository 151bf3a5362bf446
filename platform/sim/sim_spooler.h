#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/machine/machine_config.h"
#include "platform/spooler.h"

namespace kdx {

/// The print spooler of a simulated machine, as machine.json states it. Its ports belong to
/// the local computer; it keeps no printer connections, so every printer is a local one.
class SimSpooler final : public PrintSpooler {
 public:
  explicit SimSpooler(const MachineConfig& config) : config_(config) {}

  /// Fails the n-th call with the n-th code of enumPortsErrors where that is not 0; needs
  /// the bytes of the PORT_INFO_2 records with their texts, as Windows counts them.
  long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                  std::vector<PortInfo2>& ports) override;
  long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                     std::vector<PrinterEntry>& printers) override;

 private:
  const MachineConfig& config_;
  std::size_t portCalls_ = 0;
};

}  // namespace kdx
