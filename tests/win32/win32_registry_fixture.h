#pragma once

// RegDeleteTreeA needs the Vista declarations; the tests only run under Wine and newer Windows.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "support/sim_registry_fixture.h"
#include "win32_test_support.h"

namespace kdx::test {

/// The real registry for the contract suites. The test's keys are written through the raw API
/// (the program itself never writes) and deleted before and after each test.
class Win32RegistryFixture {
 public:
  static constexpr const char* kName = "Win32";

  Win32RegistryFixture() { DeleteTestKeys(); }
  ~Win32RegistryFixture() { DeleteTestKeys(); }
  Win32RegistryFixture(const Win32RegistryFixture&) = delete;
  Win32RegistryFixture& operator=(const Win32RegistryFixture&) = delete;

  Win32Platform& Platform() { return platform_; }
  RegistryStore& Store() { return platform_.Registry(); }

  void Key(RegKey root, const std::string& path) { testing::UniqueKey key = Create(root, path); }

  void Value(RegKey root, const std::string& path, const std::string& name, std::uint32_t type,
             const std::string& bytes) {
    const testing::UniqueKey key = Create(root, path);
    // RegSetValueExA stores a string's NUL when one follows the data it is given; a byte
    // that is not NUL behind them keeps the stored size what the test asked for.
    const std::string guarded = bytes + 'x';
    ::RegSetValueExA(key.Get(), name.c_str(), 0, type,
                     reinterpret_cast<const BYTE*>(guarded.data()),
                     static_cast<DWORD>(bytes.size()));
  }

  void NestedKeys(RegKey root, const std::string& path, const std::vector<std::string>& names,
                  const std::string& valueName, const std::string& text) {
    testing::UniqueKey key = Create(root, path);
    for (const std::string& name : names) key = Create(reinterpret_cast<RegKey>(key.Get()), name);
    ::RegSetValueExA(key.Get(), valueName.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(text.size() + 1));
  }

  /// Gives the key a DACL that grants nothing.
  void DenyAccess(RegKey root, const std::string& path) {
    testing::UniqueKey key = Create(root, path);
    ACL emptyDacl;
    ::InitializeAcl(&emptyDacl, sizeof emptyDacl, ACL_REVISION);
    SECURITY_DESCRIPTOR descriptor;
    ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
    ::SetSecurityDescriptorDacl(&descriptor, TRUE, &emptyDacl, FALSE);
    ::RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, &descriptor);
    // The creator's handle keeps its rights, so the DACL can be opened up again to delete it.
    deniedKey_ = std::move(key);
  }

  static std::optional<std::string> Differs(KnownDifference difference) {
    if (!testing::RunningUnderWine()) return std::nullopt;
    switch (difference) {
      case KnownDifference::ValuesSortedByName:
        return "Wine enumerates a key's values sorted by name, Windows in creation order";
      case KnownDifference::SubkeysSortedByLowerCase:
        return "Wine orders subkeys by lower-cased name, so '_' comes before the letters";
      case KnownDifference::CountsWithoutQueryAccess:
        return "Wine's RegQueryInfoKeyA does not ask the handle for KEY_QUERY_VALUE";
    }
    return std::nullopt;
  }

 private:
  static HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }

  static testing::UniqueKey Create(RegKey root, const std::string& path) {
    testing::UniqueKey key;
    ::RegCreateKeyExA(ToHkey(root), path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key.Receive(), nullptr);
    return key;
  }

  void DeleteTestKeys() {
    // A key that refuses every access gets an open DACL back before it can be deleted.
    if (deniedKey_.Get() != nullptr) {
      SECURITY_DESCRIPTOR descriptor;
      ::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION);
      ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE);
      ::RegSetKeySecurity(deniedKey_.Get(), DACL_SECURITY_INFORMATION, &descriptor);
      deniedKey_ = testing::UniqueKey();
    }
    ::RegDeleteTreeA(HKEY_CURRENT_USER, kTestKeyParent);
    ::RegDeleteKeyA(HKEY_CURRENT_USER, kTestKeyParent);
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kTestClassKey);
    ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, kTestClassKey);
  }

  Win32Platform platform_;
  testing::UniqueKey deniedKey_;
};

}  // namespace kdx::test
