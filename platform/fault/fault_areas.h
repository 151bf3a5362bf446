#pragma once

#include <memory>

#include "platform/fault/fault_schedule.h"
#include "platform/platform.h"

namespace kdx {

// The fault layer over each platform area, one file each. Every call of the area, and of the
// objects it hands out, is numbered by the schedule; the one the schedule names answers as the
// call answers on Windows when it fails with that error, its outputs left or set as the call's
// documentation gives them, and every other call goes to the machine unchanged.

std::unique_ptr<RegistryStore> NewFaultRegistry(RegistryStore& inner, FaultSchedule& schedule);
std::unique_ptr<SystemFacts> NewFaultSystem(SystemFacts& inner, FaultSchedule& schedule);
std::unique_ptr<FileSystem> NewFaultFiles(FileSystem& inner, FaultSchedule& schedule);
std::unique_ptr<ServicesProcesses> NewFaultServices(ServicesProcesses& inner,
                                                    FaultSchedule& schedule);
std::unique_ptr<PrintSpooler> NewFaultSpooler(PrintSpooler& inner, FaultSchedule& schedule);
std::unique_ptr<EventLogs> NewFaultEventLogs(EventLogs& inner, FaultSchedule& schedule);

/// The failing answer of a call that returns its Win32 error code and leaves its outputs alone.
inline long CodeOnly(long code) { return code; }
/// Tells a failed Win32 error code: anything but success.
inline bool IsErrorCode(long error) { return error != 0; }
/// Tells an answer that holds nothing (an optional, a pointer, false).
template <typename Answer>
bool IsEmptyAnswer(const Answer& answer) {
  return !answer;
}
/// A subject for calls that are about nothing in particular.
inline const char* NoSubject() { return ""; }

}  // namespace kdx
