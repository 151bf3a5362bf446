#pragma once

#include <cstdint>
#include <string>

#include "platform/error_codes.h"

namespace kdx {

/// A registry key handle: one of the predefined roots or a key the store opened.
using RegKey = std::uintptr_t;

inline constexpr RegKey kHKeyClassesRoot = 0x80000000;
inline constexpr RegKey kHKeyCurrentUser = 0x80000001;
inline constexpr RegKey kHKeyLocalMachine = 0x80000002;
inline constexpr RegKey kHKeyUsers = 0x80000003;
inline constexpr RegKey kHKeyCurrentConfig = 0x80000005;

/// Registry value type codes.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

/// Registry access masks.
inline constexpr std::uint32_t kKeyQueryValue = 0x1;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x8;
inline constexpr std::uint32_t kKeyReadControlQueryEnumerate = 0x20009;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

/// What RegQueryInfoKeyA tells about a key.
struct RegKeyInfo {
  std::uint32_t subKeys = 0;
  std::uint32_t maxSubKeyLen = 0;  ///< longest subkey name, without NUL
  std::uint32_t values = 0;
  std::uint32_t maxValueNameLen = 0;  ///< longest value name, without NUL
  std::uint32_t maxValueLen = 0;      ///< largest value data in bytes
};

/// The registry, read through advapi32's calls.
///
/// Failure style: every call returns the Win32 error code that advapi32 returns, and fills
/// its out-parameters exactly where advapi32 does. TRegistry's rules (a key that does not
/// open is a false result, a missing value reads as empty) and the export's reads of large
/// values rest on those codes and on what a call leaves in a buffer that is too small, so the
/// simulated store must give the same codes, not just the same successes.
class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  /// Opens subKey below parent with the access mask; result receives the new key.
  /// Returns kErrorSuccess, kErrorFileNotFound, kErrorAccessDenied, ...
  virtual long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                             RegKey& result) = 0;
  /// Closes a key the store opened; roots are left alone.
  virtual long RegCloseKey(RegKey key) = 0;
  /// Counts and longest names of a key's subkeys and values.
  virtual long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) = 0;
  /// Name of subkey index into name (nameSize in: buffer size with NUL; out: length).
  /// kErrorMoreData when the buffer is too small, kErrorNoMoreItems past the end.
  virtual long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                             std::uint32_t& nameSize) = 0;
  /// As RegEnumKeyExA for value names; the default value has the empty name. type, data and
  /// dataSize are optional and filled as RegQueryValueExA fills them; data too small gives
  /// kErrorMoreData with *dataSize set to the need (the name is then not to be relied on).
  virtual long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
  /// Type, data and size of a value, each pointer optional. A missing value gives
  /// kErrorFileNotFound; data too small gives kErrorMoreData with *dataSize set to the need.
  virtual long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* dataSize) = 0;
};

}  // namespace kdx
