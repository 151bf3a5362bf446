#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "platform/platform.h"
#include "platform/sim/machine_config.h"
#include "platform/sim/sim_registry.h"

namespace kdx {

/// A simulated Windows machine served from a machine directory: machine.json, registry/*.reg
/// and one host folder per drive (drive_c/ for C:\). The report file goes to the host's file
/// system.
class SimPlatform : public Platform {
 public:
  /// Loads the machine directory; throws MachineError naming the faulty file and line.
  explicit SimPlatform(const std::filesystem::path& machineDir);
  ~SimPlatform() override;

  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override;
  long RegCloseKey(RegKey key) override;
  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override;
  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize) override;
  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override;

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

  bool FileExists(const std::string& path) override;
  std::unique_ptr<InputFile> OpenInputFile(const std::string& path) override;
  std::unique_ptr<OutputFile> CreateOutputFile(const std::string& path) override;

  /// The host path of a Windows path on a simulated drive, matched without regard to case;
  /// nothing when a part of it does not exist.
  std::optional<std::filesystem::path> HostPathOf(const std::string& windowsPath) const;

 private:
  std::unique_ptr<AccessToken> OpenToken(const SimToken& token, long& error) const;

  std::filesystem::path machineDir_;
  MachineConfig config_;
  SimRegistry registry_;
  int reportFileFailuresLeft_ = 0;
};

}  // namespace kdx
