#include "platform/capture/capture_platform.h"

#include "platform/capture/capture_areas.h"

namespace kdx {

CapturePlatform::CapturePlatform(Platform& inner) : LayeredPlatform(inner) {
  Layer(std::make_unique<CaptureRegistry>(inner.Registry(), record_));
  Layer(std::make_unique<CaptureSystem>(inner.System(), record_));
  Layer(std::make_unique<CaptureFiles>(inner.Files(), record_));
  Layer(std::make_unique<CaptureServices>(inner.Services(), record_));
  Layer(std::make_unique<CaptureSpooler>(inner.Spooler(), record_));
  Layer(std::make_unique<CaptureEventLogs>(inner.EventLogs(), record_));
}

}  // namespace kdx
