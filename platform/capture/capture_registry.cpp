#include "platform/capture/capture_areas.h"
#include "platform/registry_roots.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

// "a\\b\\", "\\a" and "a\\\\b" name the same key as "a\\b".
std::string JoinKeyPath(const std::string& parent, const std::string& subKey) {
  std::string path = parent;
  std::string part;
  for (std::size_t i = 0; i <= subKey.size(); ++i) {
    if (i == subKey.size() || subKey[i] == '\\') {
      if (!part.empty()) path += "\\" + part;
      part.clear();
    } else {
      part += subKey[i];
    }
  }
  return path;
}

}  // namespace

long CaptureRegistry::RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                                    RegKey& result) {
  const long error = Inner().RegOpenKeyExA(parent, subKey, access, result);
  const std::string parentPath = PathOf(parent);
  if (parentPath.empty()) return error;
  const std::string path = JoinKeyPath(parentPath, subKey);
  if (error != kErrorSuccess) {
    record_.unopenedKeys.insert(UpcaseAscii(path));
    return error;
  }
  paths_[result] = path;
  record_.keys.try_emplace(UpcaseAscii(path), CapturedKey{path, false});
  return error;
}

long CaptureRegistry::RegCloseKey(RegKey key) {
  paths_.erase(key);
  return Inner().RegCloseKey(key);
}

long CaptureRegistry::RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) {
  MarkListed(key);
  return Inner().RegQueryInfoKeyA(key, info);
}

long CaptureRegistry::RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                                    std::uint32_t& nameSize) {
  MarkListed(key);
  return Inner().RegEnumKeyExA(key, index, name, nameSize);
}

std::string CaptureRegistry::PathOf(RegKey key) const {
  const auto found = paths_.find(key);
  return found != paths_.end() ? found->second : std::string(RootKeyName(key));
}

void CaptureRegistry::MarkListed(RegKey key) {
  const auto found = record_.keys.find(UpcaseAscii(PathOf(key)));
  if (found != record_.keys.end()) found->second.subkeysListed = true;
}

}  // namespace kdx
