#include "platform/fault/fault_platform.h"

#include "platform/fault/fault_areas.h"

namespace kdx {

FaultPlatform::FaultPlatform(Platform& inner, FaultSchedule& schedule) : LayeredPlatform(inner) {
  Layer(NewFaultRegistry(inner.Registry(), schedule));
  Layer(NewFaultSystem(inner.System(), schedule));
  Layer(NewFaultFiles(inner.Files(), schedule));
  Layer(NewFaultServices(inner.Services(), schedule));
  Layer(NewFaultSpooler(inner.Spooler(), schedule));
  Layer(NewFaultEventLogs(inner.EventLogs(), schedule));
}

}  // namespace kdx
