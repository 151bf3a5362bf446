#pragma once

#include <memory>

#include "platform/capture/capture_record.h"
#include "platform/platform.h"

namespace kdx {

/// Passes every call of the run through to another platform and records question and
/// answer, so that the machine directory written from the record answers the same calls.
/// It only asks what the run asks (and, for a file the run uses, its facts), so the machine
/// stays unchanged.
class CapturePlatform final : public Platform {
 public:
  explicit CapturePlatform(Platform& inner);
  ~CapturePlatform() override;
  CapturePlatform(const CapturePlatform&) = delete;
  CapturePlatform& operator=(const CapturePlatform&) = delete;

  RegistryStore& Registry() override;
  SystemFacts& System() override;
  FileSystem& Files() override;
  ServicesProcesses& Services() override;
  PrintSpooler& Spooler() override;
  kdx::EventLogs& EventLogs() override;

  const CaptureRecord& Record() const { return record_; }
  Platform& Inner() { return inner_; }

 private:
  Platform& inner_;
  CaptureRecord record_;
  std::unique_ptr<RegistryStore> registry_;
  std::unique_ptr<SystemFacts> system_;
  std::unique_ptr<FileSystem> files_;
  std::unique_ptr<ServicesProcesses> services_;
  std::unique_ptr<PrintSpooler> spooler_;
  std::unique_ptr<kdx::EventLogs> eventLogs_;
};

/// Upper-cases the letters a to z only, as the capture keys its names.
std::string CaptureKeyOf(const std::string& name);

/// The key of a file path: upper case, "\\" between its parts, "." and ".." resolved.
std::string CaptureFileKeyOf(const std::string& path);

}  // namespace kdx
