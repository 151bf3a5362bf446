#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/errors.h"
#include "platform/platform.h"
#include "platform/sim/sim_registry.h"

namespace kdx {

/// A Platform whose registry is a SimRegistry loaded from literal .reg text; everything else
/// answers as an empty machine. For tests of registry users without a machine directory.
class SimRegistryPlatform : public Platform {
 public:
  SimRegistry& Registry() { return registry_; }

  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override {
    return registry_.RegOpenKeyExA(parent, subKey, access, result);
  }
  long RegCloseKey(RegKey key) override { return registry_.RegCloseKey(key); }
  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override {
    return registry_.RegQueryInfoKeyA(key, info);
  }
  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                     std::uint32_t& nameSize) override {
    return registry_.RegEnumKeyExA(key, index, name, nameSize);
  }
  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    return registry_.RegEnumValueA(key, index, name, nameSize, type, data, dataSize);
  }
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override {
    return registry_.RegQueryValueExA(key, valueName, type, data, dataSize);
  }

  std::optional<std::string> GetWindowsDirectoryA() override { return std::nullopt; }
  std::optional<std::string> GetSystemDirectoryA() override { return std::nullopt; }
  std::optional<OsVersionInfo> GetVersionExA() override { return std::nullopt; }
  SystemTime GetLocalTime() override { return {}; }
  LocaleFormats GetLocaleFormats() override { return {}; }
  std::optional<std::string> GetUserNameA() override { return std::nullopt; }
  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override {
    error = kErrorNoToken;
    return nullptr;
  }
  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override {
    error = kErrorAccessDenied;
    return nullptr;
  }
  std::optional<std::string> GetEnvironmentVariableA(const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override {
    return text;
  }
  std::string FormatMessageA(std::uint32_t) override { return {}; }
  bool FileExists(const std::string&) override { return false; }
  std::unique_ptr<InputFile> OpenInputFile(const std::string&) override {
    throw EInOutError(kIoFileNotFound);
  }
  std::unique_ptr<OutputFile> CreateOutputFile(const std::string&) override {
    throw EInOutError(kIoAccessDenied);
  }

 private:
  SimRegistry registry_;
};

}  // namespace kdx
