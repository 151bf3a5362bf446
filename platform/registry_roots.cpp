#include "platform/registry_roots.h"

#include <array>

#include "platform/upcase.h"

namespace kdx {

namespace {

struct RootName {
  std::string_view longName;
  std::string_view shortName;
  RegKey key;
};

constexpr std::array<RootName, 5> kRootNames = {{
    {"HKEY_LOCAL_MACHINE", "HKLM", kHKeyLocalMachine},
    {"HKEY_CURRENT_USER", "HKCU", kHKeyCurrentUser},
    {"HKEY_CLASSES_ROOT", "HKCR", kHKeyClassesRoot},
    {"HKEY_USERS", "HKU", kHKeyUsers},
    {"HKEY_CURRENT_CONFIG", "HKCC", kHKeyCurrentConfig},
}};

}  // namespace

std::string_view RootKeyName(RegKey root) {
  for (const RootName& name : kRootNames) {
    if (name.key == root) return name.longName;
  }
  return {};
}

std::optional<RegKey> RootKeyNamed(std::string_view name) {
  for (const RootName& root : kRootNames) {
    if (EqualUpcased(name, root.longName) || EqualUpcased(name, root.shortName)) return root.key;
  }
  return std::nullopt;
}

}  // namespace kdx
