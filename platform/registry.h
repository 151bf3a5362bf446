#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/registry_store.h"

namespace kdx {

/// The class of a value's type code.
enum class ValueKind { Unknown, String, ExpandString, Integer, Binary };

/// Read-only registry access object over the platform's registry store. Holds a root key and
/// at most one open key; a missing value reads as empty, a value of the wrong type raises
/// ERegistryException, a key that cannot be opened gives a false result.
class TRegistry {
 public:
  explicit TRegistry(RegistryStore& store);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  /// Selects the root; a different root closes the current key, the same root keeps it.
  void SelectRoot(RegKey root);
  /// Opens path read-only (KEY_READ, then 0x20009, then KEY_QUERY_VALUE). A leading backslash
  /// makes the path absolute; otherwise it is relative to the open key, else to the root.
  /// On failure the previous key stays open and current.
  bool OpenRead(const std::string& path);
  /// Opens path with the object's access level, never creating the key.
  bool OpenFull(const std::string& path);
  /// The current key's path below the root, empty when none is open.
  const std::string& OpenPath() const { return path_; }
  /// The open key for raw RegQueryValueExA reads; 0 when none is open.
  RegKey CurrentKey() const { return key_; }

  /// A String or ExpandString value up to its first NUL; empty when missing or of size 0, and
  /// when it is gone by the time its data is read. A value that grows between its size and
  /// its data is read again.
  std::string ReadText(const std::string& name);
  /// ReadText of a value that exists, nothing when it does not (or is gone by the time its
  /// data is read): HasValue and ReadText in one, asking the store for the value's size once.
  std::optional<std::string> ReadTextIfPresent(const std::string& name);
  /// A DWORD value; raises when missing, longer than 4 bytes or of another kind.
  std::int32_t ReadDword(const std::string& name);
  /// True when the value is a DWORD that ReadDword reads: REG_DWORD of at most 4 bytes.
  bool HoldsDword(const std::string& name);
  /// ReadDword(name) != 0.
  bool ReadFlag(const std::string& name);
  /// Copies an Unknown or Binary value of at most capacity bytes; 0 when missing.
  std::size_t ReadBytes(const std::string& name, std::uint8_t* buffer, std::size_t capacity);
  ValueKind KindOf(const std::string& name);
  /// Size in bytes, -1 when the value is missing.
  std::int64_t ValueSize(const std::string& name);
  bool HasValue(const std::string& name);
  /// True when path opens with access 0x20009; the current key is unchanged.
  bool HasKey(const std::string& path);
  /// The current key's subkey names in store order; empty when none can be listed.
  void SubkeyNames(std::vector<std::string>& names);
  /// The current key's value names in store order; the default value has the empty name.
  void ValueNames(std::vector<std::string>& names);

  /// Raises "Ungültiger Datentyp für '<name>'": the value's type does not fit the read.
  [[noreturn]] static void RaiseBadType(const std::string& name);
  /// Raises "Fehler beim Holen der Daten für '<name>'": the value cannot be fetched.
  [[noreturn]] static void RaiseFetchFailed(const std::string& name);

 private:
  struct ValueInfo {
    bool found = false;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
  };

  bool OpenWithAccess(const std::string& path, std::span<const std::uint32_t> levels);
  /// The key a path is opened below and the subpath passed to the store.
  RegKey BaseFor(const std::string& path, std::string& subPath) const;
  ValueInfo QueryInfo(const std::string& name);
  /// The text of a value whose size was asked for; nothing when it is missing, or gone by the
  /// time its data is read.
  std::optional<std::string> ReadTextOf(const std::string& name, const ValueInfo& info);
  void CloseCurrent();

  RegistryStore& store_;
  RegKey root_ = kHKeyCurrentUser;
  RegKey key_ = 0;
  std::string path_;
  std::uint32_t access_ = kKeyAllAccess;
};

/// The kind a type code belongs to.
ValueKind KindOfType(std::uint32_t type);

/// The access levels a read-only open tries, in order: KEY_READ, then read control with
/// query and enumerate, then KEY_QUERY_VALUE.
inline constexpr std::array<std::uint32_t, 3> kReadAccessLevels = {
    kKeyRead, kKeyReadControlQueryEnumerate, kKeyQueryValue};

/// Opens subPath below base with the first of the access levels that the store grants;
/// returns that level, or 0 when none opens (key is then untouched).
std::uint32_t OpenWithFirstLevel(RegistryStore& store, RegKey base, const std::string& subPath,
                                 std::span<const std::uint32_t> levels, RegKey& key);

/// Fills names with the key's subkey names in store order, overwriting the list's strings in
/// place; an index the store refuses is skipped. Empty when the counts cannot be had.
void ListSubkeyNames(RegistryStore& store, RegKey key, std::vector<std::string>& names);
/// The same with the counts a RegQueryInfoKeyA on the open key already gave.
void ListSubkeyNames(RegistryStore& store, RegKey key, const RegKeyInfo& info,
                     std::vector<std::string>& names);

/// A key the store opened, closed on destruction; a root is left alone by the store.
class OpenedKey {
 public:
  OpenedKey() = default;
  OpenedKey(RegistryStore& store, RegKey key) : store_(&store), key_(key) {}
  ~OpenedKey() { Close(); }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  OpenedKey(OpenedKey&& other) noexcept : store_(other.store_), key_(other.key_) { other.key_ = 0; }
  OpenedKey& operator=(OpenedKey&& other) noexcept {
    if (this != &other) {
      Close();
      store_ = other.store_;
      key_ = other.key_;
      other.key_ = 0;
    }
    return *this;
  }

  RegKey Get() const { return key_; }

 private:
  void Close() {
    if (key_ != 0) store_->RegCloseKey(key_);
    key_ = 0;
  }

  RegistryStore* store_ = nullptr;
  RegKey key_ = 0;
};

}  // namespace kdx
