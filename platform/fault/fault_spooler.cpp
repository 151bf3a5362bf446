#include "platform/fault/fault_areas.h"
#include "platform/forwarding.h"

namespace kdx {

namespace {

/// Fails the spooler's lists as winspool does: the code, the list and the size left alone.
class FaultSpooler final : public ForwardingPrintSpooler {
 public:
  FaultSpooler(PrintSpooler& inner, FaultSchedule& schedule)
      : ForwardingPrintSpooler(inner), schedule_(schedule) {}

  long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                  std::vector<PortInfo2>& ports) override {
    // Asking for the size with no buffer answers ERROR_INSUFFICIENT_BUFFER when it succeeds.
    const bool sizeQuery = bufferSize == 0;
    return schedule_.Call(
        FaultCall::EnumPortsA, [&] { return Inner().EnumPortsA(bufferSize, needed, ports); },
        CodeOnly,
        [&](long error) {
          return error != kErrorSuccess && !(sizeQuery && error == kErrorInsufficientBuffer);
        },
        NoSubject);
  }
  long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                     std::vector<PrinterEntry>& printers) override {
    return schedule_.Call(
        FaultCall::EnumPrintersA, [&] { return Inner().EnumPrintersA(flags, level, printers); },
        CodeOnly, IsErrorCode, NoSubject);
  }

 private:
  FaultSchedule& schedule_;
};

}  // namespace

std::unique_ptr<PrintSpooler> NewFaultSpooler(PrintSpooler& inner, FaultSchedule& schedule) {
  return std::make_unique<FaultSpooler>(inner, schedule);
}

}  // namespace kdx
