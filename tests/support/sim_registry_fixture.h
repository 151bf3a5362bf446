#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/sim/sim_platform.h"
#include "support/platform_name.h"
#include "support/test_machine.h"

namespace kdx::test {

/// Where a contract test's keys live, the same on every platform: below HKEY_CURRENT_USER,
/// and (for keys that "Driver" values lead to) below the class key of HKEY_LOCAL_MACHINE.
inline constexpr char kTestKeyParent[] = "Software\\KDXInfoTest";
inline constexpr char kTestClassKey[] = "SYSTEM\\CurrentControlSet\\Control\\Class\\{KDXINFO-TEST}";

/// Differences between the platforms that a contract test names and skips rather than bakes
/// into its expectations.
enum class KnownDifference {
  ValuesSortedByName,  ///< Wine keeps a key's values sorted by name, Windows in creation order
  SubkeysSortedByLowerCase,
  CountsWithoutQueryAccess,  ///< Wine hands a key's counts to a handle without KEY_QUERY_VALUE ///<
                             ///< Wine orders subkeys by lower-cased name, Windows by upper case
};

/// The simulated machine for the contract suites: an empty XP machine whose registry the test
/// fills as it goes.
class SimRegistryFixture {
 public:
  static constexpr const char* kName = "simulated";

  SimRegistryFixture() : platform_(machine_.Load()) {}

  SimPlatform& Platform() { return *platform_; }
  RegistryStore& Store() { return platform_->Registry(); }

  /// Creates the key root\path (and the keys on its way).
  void Key(RegKey root, const std::string& path) { Load(root, path, ""); }
  /// Stores a value of any type with exactly these bytes; the key is created as needed.
  void Value(RegKey root, const std::string& path, const std::string& name, std::uint32_t type,
             const std::string& bytes);
  /// Creates the chain of keys root\path\names[0]\names[1]\... with a text value in the
  /// last one, each key below the one before (the whole path may be longer than any open
  /// could take).
  void NestedKeys(RegKey root, const std::string& path, const std::vector<std::string>& names,
                  const std::string& valueName, const std::string& text);
  /// Lets no open of root\path succeed, whatever access it asks for.
  void DenyAccess(RegKey root, const std::string& path);

  /// Why this platform differs, or nothing when it behaves as Windows does.
  static std::optional<std::string> Differs(KnownDifference) { return std::nullopt; }

 private:
  void Load(RegKey root, const std::string& path, const std::string& lines);

  TestMachine machine_;
  std::unique_ptr<SimPlatform> platform_;
};

}  // namespace kdx::test
