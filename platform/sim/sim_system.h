#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine/machine_config.h"
#include "platform/system_facts.h"

namespace kdx {

/// The system facts of a simulated machine, as machine.json states them. The error mode is
/// the one state a call changes.
class SimSystem final : public SystemFacts {
 public:
  explicit SimSystem(const MachineConfig& config) : config_(config) {}

  std::optional<std::string> GetWindowsDirectoryA() override;
  std::optional<std::string> GetSystemDirectoryA() override;
  std::optional<OsVersionInfo> GetVersionExA() override;
  SystemTime GetLocalTime() override;
  LocaleFormats GetLocaleFormats() override;
  std::optional<std::string> GetUserNameA() override;
  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override;
  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override;
  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override;
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override;
  std::string FormatMessageA(std::uint32_t code) override;
  int CompareStringA(const std::string& a, const std::string& b) override;
  std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) override;
  NativeMachine GetNativeMachine() override { return config_.nativeMachine; }
  MemoryStatus GlobalMemoryStatus() override { return config_.memory; }
  std::uint32_t GetLogicalDrives() override;
  /// The root must be a letter, a colon and a backslash; anything else names no drive.
  std::uint32_t GetDriveTypeA(const std::string& root) override;
  bool HasGetDiskFreeSpaceExA() override { return config_.drives.hasDiskFreeSpaceEx; }
  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override;
  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override;
  std::uint32_t SetErrorMode(std::uint32_t mode) override;

 private:
  /// The drive of a root path; null when the root names no drive.
  const SimDrive* QueryDrive(const std::string& root) const;

  const MachineConfig& config_;
  std::uint32_t errorMode_ = 0;
};

}  // namespace kdx
