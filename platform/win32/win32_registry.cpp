#include <windows.h>

#include "platform/win32/win32_platform.h"

namespace kdx {

namespace {

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }

bool IsPredefinedKey(RegKey key) { return key >= kHKeyClassesRoot && key <= 0x80000006; }

class Win32Registry final : public RegistryStore {
 public:
  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override {
    // The handle goes back whatever the outcome: a failed open leaves it null, as advapi32
    // sets it.
    HKEY opened = ToHkey(result);
    const LONG status = ::RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &opened);
    result = reinterpret_cast<RegKey>(opened);
    return status;
  }

  long RegCloseKey(RegKey key) override {
    if (IsPredefinedKey(key)) return ERROR_SUCCESS;
    return ::RegCloseKey(ToHkey(key));
  }

  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override {
    DWORD subKeys = 0;
    DWORD maxSubKeyLen = 0;
    DWORD values = 0;
    DWORD maxValueNameLen = 0;
    DWORD maxValueLen = 0;
    const LONG status =
        ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                           &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
    if (status == ERROR_SUCCESS) {
      info = {subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen};
    }
    return status;
  }

  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                     std::uint32_t& nameSize) override {
    DWORD size = nameSize;
    const LONG status =
        ::RegEnumKeyExA(ToHkey(key), index, name, &size, nullptr, nullptr, nullptr, nullptr);
    nameSize = size;
    return status;
  }

  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    // Copies that start as the caller's values, so that what advapi32 leaves alone stays so.
    DWORD size = nameSize;
    DWORD typeCode = type != nullptr ? *type : 0;
    DWORD bytes = dataSize != nullptr ? *dataSize : 0;
    const LONG status =
        ::RegEnumValueA(ToHkey(key), index, name, &size, nullptr, type ? &typeCode : nullptr, data,
                        dataSize ? &bytes : nullptr);
    nameSize = size;
    if (type != nullptr) *type = typeCode;
    if (dataSize != nullptr) *dataSize = bytes;
    return status;
  }

  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override {
    DWORD typeCode = type != nullptr ? *type : 0;
    DWORD size = dataSize != nullptr ? *dataSize : 0;
    const LONG status =
        ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, type ? &typeCode : nullptr,
                           data, dataSize ? &size : nullptr);
    if (type != nullptr) *type = typeCode;
    if (dataSize != nullptr) *dataSize = size;
    return status;
  }
};

}  // namespace

std::unique_ptr<RegistryStore> NewWin32Registry() { return std::make_unique<Win32Registry>(); }

}  // namespace kdx
