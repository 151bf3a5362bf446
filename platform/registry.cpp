#include "platform/registry.h"

#include <algorithm>
#include <array>

#include "platform/errors.h"

namespace kdx {

namespace {

/// How often a text value is read that keeps growing between its size and its data.
constexpr int kTextReads = 3;

/// Fills names with the entries 0 to count-1. The list's strings are overwritten in place, so
/// that a reader walking a large tree with one list does not allocate for every name.
template <typename Enumerate>
void EnumerateNames(std::uint32_t count, std::uint32_t longest, Enumerate enumerate,
                    std::vector<std::string>& names) {
  std::vector<char> buffer(static_cast<std::size_t>(longest) + 1);
  std::size_t used = 0;
  for (std::uint32_t index = 0; index < count; ++index) {
    auto size = static_cast<std::uint32_t>(buffer.size());
    // An index the store refuses (the entry vanished meanwhile) is skipped, not fatal.
    if (enumerate(index, buffer.data(), size) != kErrorSuccess) continue;
    if (used < names.size()) {
      names[used].assign(buffer.data(), size);
    } else {
      names.emplace_back(buffer.data(), size);
    }
    ++used;
  }
  names.resize(used);
}

}  // namespace

std::uint32_t OpenWithFirstLevel(RegistryStore& store, RegKey base, const std::string& subPath,
                                 std::span<const std::uint32_t> levels, RegKey& key) {
  for (const std::uint32_t level : levels) {
    RegKey opened = 0;
    if (store.RegOpenKeyExA(base, subPath, level, opened) != kErrorSuccess) continue;
    key = opened;
    return level;
  }
  return 0;
}

void ListSubkeyNames(RegistryStore& store, RegKey key, std::vector<std::string>& names) {
  RegKeyInfo info;
  if (key == 0 || store.RegQueryInfoKeyA(key, info) != kErrorSuccess) {
    names.clear();
    return;
  }
  ListSubkeyNames(store, key, info, names);
}

void ListSubkeyNames(RegistryStore& store, RegKey key, const RegKeyInfo& info,
                     std::vector<std::string>& names) {
  EnumerateNames(
      info.subKeys, info.maxSubKeyLen,
      [&](std::uint32_t index, char* name, std::uint32_t& size) {
        return store.RegEnumKeyExA(key, index, name, size);
      },
      names);
}

ValueKind KindOfType(std::uint32_t type) {
  switch (type) {
    case kRegSz:
      return ValueKind::String;
    case kRegExpandSz:
      return ValueKind::ExpandString;
    case kRegDword:
      return ValueKind::Integer;
    case kRegBinary:
      return ValueKind::Binary;
    default:
      return ValueKind::Unknown;
  }
}

TRegistry::TRegistry(RegistryStore& store) : store_(store) {}

TRegistry::~TRegistry() { CloseCurrent(); }

void TRegistry::SelectRoot(RegKey root) {
  if (root == root_) return;
  root_ = root;
  CloseCurrent();
}

void TRegistry::CloseCurrent() {
  if (key_ != 0) store_.RegCloseKey(key_);
  key_ = 0;
  path_.clear();
}

RegKey TRegistry::BaseFor(const std::string& path, std::string& subPath) const {
  if (!path.empty() && path.front() == '\\') {
    subPath = path.substr(1);
    return root_;
  }
  subPath = path;
  return key_ != 0 ? key_ : root_;
}

bool TRegistry::OpenWithAccess(const std::string& path, std::span<const std::uint32_t> levels) {
  std::string subPath;
  const RegKey base = BaseFor(path, subPath);
  const bool relativeToOpenKey = base != root_;
  RegKey opened = 0;
  const std::uint32_t level = OpenWithFirstLevel(store_, base, subPath, levels, opened);
  if (level == 0) return false;
  std::string newPath = relativeToOpenKey ? path_ + "\\" + subPath : subPath;
  CloseCurrent();
  key_ = opened;
  path_ = std::move(newPath);
  access_ = level;
  return true;
}

bool TRegistry::OpenRead(const std::string& path) {
  return OpenWithAccess(path, kReadAccessLevels);
}

bool TRegistry::OpenFull(const std::string& path) {
  return OpenWithAccess(path, std::span<const std::uint32_t>(&access_, 1));
}

TRegistry::ValueInfo TRegistry::QueryInfo(const std::string& name) {
  ValueInfo info;
  if (key_ == 0) return info;
  info.found =
      store_.RegQueryValueExA(key_, name, &info.type, nullptr, &info.size) == kErrorSuccess;
  return info;
}

void TRegistry::RaiseBadType(const std::string& name) {
  throw ERegistryException("Ungültiger Datentyp für '" + name + "'");
}

void TRegistry::RaiseFetchFailed(const std::string& name) {
  throw ERegistryException("Fehler beim Holen der Daten für '" + name + "'");
}

std::string TRegistry::ReadText(const std::string& name) {
  return ReadTextOf(name, QueryInfo(name)).value_or("");
}

std::optional<std::string> TRegistry::ReadTextIfPresent(const std::string& name) {
  return ReadTextOf(name, QueryInfo(name));
}

std::optional<std::string> TRegistry::ReadTextOf(const std::string& name, const ValueInfo& info) {
  if (!info.found) return std::nullopt;
  if (info.size == 0) return std::string();
  const ValueKind kind = KindOfType(info.type);
  if (kind != ValueKind::String && kind != ValueKind::ExpandString) RaiseBadType(name);
  std::string data;
  std::uint32_t size = info.size;
  std::uint32_t type = 0;
  long error = kErrorMoreData;
  // Another program may change the value between its size and its data: a value gone by then
  // is missing, and one grown is read again at the size it asks for.
  for (int read = 0; read < kTextReads && error == kErrorMoreData; ++read) {
    data.assign(size, '\0');
    error = store_.RegQueryValueExA(key_, name, &type, reinterpret_cast<std::uint8_t*>(data.data()),
                                    &size);
  }
  if (error == kErrorFileNotFound) return std::nullopt;
  if (error != kErrorSuccess) RaiseFetchFailed(name);
  data.resize(std::min<std::size_t>(size, data.find('\0')));
  return data;
}

std::int32_t TRegistry::ReadDword(const std::string& name) {
  std::uint8_t bytes[4] = {0, 0, 0, 0};
  std::uint32_t size = sizeof bytes;
  std::uint32_t type = 0;
  if (key_ == 0 || store_.RegQueryValueExA(key_, name, &type, bytes, &size) != kErrorSuccess) {
    RaiseFetchFailed(name);
  }
  if (KindOfType(type) != ValueKind::Integer) RaiseBadType(name);
  const std::uint32_t value =
      bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
  return static_cast<std::int32_t>(value);
}

bool TRegistry::HoldsDword(const std::string& name) {
  const ValueInfo info = QueryInfo(name);
  return info.found && KindOfType(info.type) == ValueKind::Integer && info.size <= 4;
}

bool TRegistry::ReadFlag(const std::string& name) { return ReadDword(name) != 0; }

std::size_t TRegistry::ReadBytes(const std::string& name, std::uint8_t* buffer,
                                 std::size_t capacity) {
  const ValueInfo info = QueryInfo(name);
  if (!info.found) return 0;
  const ValueKind kind = KindOfType(info.type);
  if ((kind != ValueKind::Unknown && kind != ValueKind::Binary) || info.size > capacity) {
    RaiseBadType(name);
  }
  std::uint32_t size = info.size;
  if (store_.RegQueryValueExA(key_, name, nullptr, buffer, &size) != kErrorSuccess) {
    RaiseFetchFailed(name);
  }
  return size;
}

ValueKind TRegistry::KindOf(const std::string& name) {
  const ValueInfo info = QueryInfo(name);
  return info.found ? KindOfType(info.type) : ValueKind::Unknown;
}

std::int64_t TRegistry::ValueSize(const std::string& name) {
  const ValueInfo info = QueryInfo(name);
  return info.found ? static_cast<std::int64_t>(info.size) : -1;
}

bool TRegistry::HasValue(const std::string& name) { return QueryInfo(name).found; }

bool TRegistry::HasKey(const std::string& path) {
  std::string subPath;
  const RegKey base = BaseFor(path, subPath);
  RegKey opened = 0;
  if (store_.RegOpenKeyExA(base, subPath, kKeyReadControlQueryEnumerate, opened) != kErrorSuccess) {
    return false;
  }
  store_.RegCloseKey(opened);
  return true;
}

void TRegistry::SubkeyNames(std::vector<std::string>& names) {
  ListSubkeyNames(store_, key_, names);
}

void TRegistry::ValueNames(std::vector<std::string>& names) {
  RegKeyInfo info;
  if (key_ == 0 || store_.RegQueryInfoKeyA(key_, info) != kErrorSuccess) {
    names.clear();
    return;
  }
  EnumerateNames(
      info.values, info.maxValueNameLen,
      [&](std::uint32_t index, char* name, std::uint32_t& size) {
        return store_.RegEnumValueA(key_, index, name, size, nullptr, nullptr, nullptr);
      },
      names);
}

}  // namespace kdx
