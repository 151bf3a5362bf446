#pragma once

#include <chrono>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>

#include "platform/fault/fault_calls.h"

namespace kdx {

/// The one call of a run that fails: its number (the run's calls counted from 1 in the order
/// it makes them), the kind the call must be, and the error it gives.
struct PlannedFault {
  std::size_t call = 0;
  FaultCall kind = FaultCall::RegOpenKeyExA;
  long error = 0;
  /// In the order of the run's calls.
  auto operator<=>(const PlannedFault&) const = default;
};

/// A call as the fault layer numbered it.
struct NumberedCall {
  std::size_t number = 0;
  FaultCall kind = FaultCall::RegOpenKeyExA;
  std::string subject;  ///< what the call was about: a key, a value, a path, a service
  bool failed = false;  ///< it answered with a failure, its own or an injected one
  bool injected = false;
};

/// The run's count of platform calls, shared by the layers of every area: each call asks it
/// whether to fail, and tells it how it ended. When a time limit is set and the run outlasts
/// it, every later call fails as if the machine had stopped answering, so that a run caught
/// in a loop still ends.
class FaultSchedule {
 public:
  using Clock = std::chrono::steady_clock;
  using Observer = std::function<void(const NumberedCall&)>;

  explicit FaultSchedule(std::optional<PlannedFault> fault = std::nullopt,
                         std::optional<Clock::duration> limit = std::nullopt)
      : fault_(fault), deadline_(limit ? std::optional(Clock::now() + *limit) : std::nullopt) {}

  /// Is told of every call as it ends; subjects are only worked out while one is set.
  void SetObserver(Observer observer) { observer_ = std::move(observer); }

  /// Makes one call: real() asks the machine; fail(error) answers as the call answers when
  /// it fails with error; isFailure(answer) tells a failed answer; subject() names what the
  /// call is about.
  template <typename Real, typename Fail, typename IsFailure, typename Subject>
  auto Call(FaultCall kind, Real&& real, Fail&& fail, IsFailure&& isFailure, Subject&& subject) {
    NumberedCall call{++calls_, kind, observer_ ? std::string(subject()) : std::string(), false,
                      false};
    const std::optional<long> error = ErrorFor(call);
    call.injected = error.has_value();
    auto answer = error ? fail(*error) : real();
    call.failed = call.injected || isFailure(answer);
    if (observer_) observer_(call);
    return answer;
  }

  /// Bytes the files the run writes have taken so far.
  void NoteWritten(std::size_t bytes) { written_ += bytes; }
  std::uint64_t Written() const { return written_; }

  std::size_t Calls() const { return calls_; }
  /// The planned fault was given.
  bool Injected() const { return injected_; }
  /// The call of the planned number was of another kind: the run went another way than the
  /// one the plan was made from, and nothing was injected.
  bool Strayed() const { return strayed_; }
  /// The run outlasted its time limit.
  bool TimedOut() const { return timedOut_; }

 private:
  std::optional<long> ErrorFor(const NumberedCall& call);

  std::optional<PlannedFault> fault_;
  std::optional<Clock::time_point> deadline_;
  Observer observer_;
  std::size_t calls_ = 0;
  std::uint64_t written_ = 0;
  bool injected_ = false;
  bool strayed_ = false;
  bool timedOut_ = false;
};

}  // namespace kdx
