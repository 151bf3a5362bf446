#include "platform/fault/fault_schedule.h"

namespace kdx {

std::optional<long> FaultSchedule::ErrorFor(const NumberedCall& call) {
  const auto errors = FaultCallInfoOf(call.kind).errors;
  if (deadline_ && !timedOut_ && Clock::now() > *deadline_) timedOut_ = true;
  if (timedOut_) {
    if (errors.empty()) return std::nullopt;
    return errors.front();
  }
  if (!fault_ || fault_->call != call.number) return std::nullopt;
  if (fault_->kind != call.kind || errors.empty()) {
    strayed_ = true;
    return std::nullopt;
  }
  injected_ = true;
  return fault_->error;
}

}  // namespace kdx
