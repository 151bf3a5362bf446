#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/platform.h"

namespace kdx {

/// The machine the program runs on, through the ANSI Win32 calls (advapi32, kernel32).
/// Stateless: every handle it opens is owned by the object it returns or closed before return.
class Win32Platform final : public Platform {
 public:
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
};

/// The program's I/O error code for a Win32 error code: the Win32 code itself, except that
/// the disk-full codes become 101 and the malformed-name codes become 3 ("Ungültiger
/// Dateiname"), whose texts say what the user must fix.
int IoCodeForWin32Error(std::uint32_t win32Error);

}  // namespace kdx
