#pragma once

#include <optional>
#include <string_view>

#include "platform/registry_store.h"

namespace kdx {

/// The full name of a predefined key ("HKEY_LOCAL_MACHINE"), as key paths start with it;
/// empty for any other key.
std::string_view RootKeyName(RegKey root);

/// The predefined key a name stands for: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER,
/// HKEY_CLASSES_ROOT, HKEY_USERS, HKEY_CURRENT_CONFIG or their short forms HKLM, HKCU, HKCR,
/// HKU, HKCC, in any case. Nothing for any other name.
std::optional<RegKey> RootKeyNamed(std::string_view name);

}  // namespace kdx
