#pragma once

#include "platform/capture/capture_record.h"
#include "platform/forwarding.h"

namespace kdx {

/// Passes every call of the run through to another platform and records question and
/// answer, so that the machine directory written from the record answers the same calls.
/// It only asks what the run asks (and, for a file the run uses, its facts), so the machine
/// stays unchanged.
class CapturePlatform final : public LayeredPlatform {
 public:
  explicit CapturePlatform(Platform& inner);
  CapturePlatform(const CapturePlatform&) = delete;
  CapturePlatform& operator=(const CapturePlatform&) = delete;

  const CaptureRecord& Record() const { return record_; }

 private:
  CaptureRecord record_;
};

}  // namespace kdx
