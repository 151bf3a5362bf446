#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/sim/machine_config.h"
#include "platform/system_facts.h"

namespace kdx {

/// The system facts of a simulated machine, as machine.json states them.
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

 private:
  const MachineConfig& config_;
};

}  // namespace kdx
