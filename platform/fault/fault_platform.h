#pragma once

#include "platform/fault/fault_schedule.h"
#include "platform/forwarding.h"

namespace kdx {

/// Another platform with every call numbered by a schedule, which makes one of them fail as
/// Windows fails it (platform/fault/fault_areas.h). With a schedule that plans no fault it
/// only counts: the run sees the machine unchanged.
class FaultPlatform final : public LayeredPlatform {
 public:
  FaultPlatform(Platform& inner, FaultSchedule& schedule);
};

}  // namespace kdx
