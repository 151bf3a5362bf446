#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry_store.h"
#include "platform/wow64_view.h"

namespace kdx {

/// The in-memory registry of a simulated machine, loaded from .reg files. It answers the
/// store's calls as Windows NT does.
class SimRegistry final : public RegistryStore {
 public:
  SimRegistry();
  ~SimRegistry() override;
  SimRegistry(const SimRegistry&) = delete;
  SimRegistry& operator=(const SimRegistry&) = delete;

  /// Adds the keys and values of one .reg file (REGEDIT4 or version 5.00 UTF-16LE).
  /// Throws MachineError naming fileName and the line on any fault.
  void LoadRegFile(std::string_view bytes, const std::string& fileName);
  /// Lets the key at rootName\path (for example "HKEY_LOCAL_MACHINE\\SOFTWARE\\X") open only
  /// with the access masks that are subsets of one of allowedMasks; an empty list refuses
  /// every open. Throws MachineError (with source as the file) when the key does not exist.
  void RestrictAccess(const std::string& keyPath, std::vector<std::uint32_t> allowedMasks,
                      const std::string& source);

  /// From now on opens keys as WOW64 opens them for a 32-bit program: a key path, relative to
  /// the path its parent was opened by, leads where the view sends it (Wow6432Node).
  void ShowAsWow64(const Wow64View& view);

  /// As on Windows NT: names compare without case; trailing backslashes are allowed and
  /// consecutive ones inside count as one (as Wine, and XP for the keys in its cache), a
  /// leading one gives ERROR_BAD_PATHNAME (161); an empty subKey below a root gives the root
  /// itself, below an open key a new handle. The handle keeps access, which the other operations
  /// check.
  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override;
  long RegCloseKey(RegKey key) override;
  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override;
  /// Subkeys enumerate ordered by upper-cased name, values in load order.
  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize) override;
  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override;
  /// A missing value clears *dataSize when data is null, as NT does, and leaves *type alone.
  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace kdx
