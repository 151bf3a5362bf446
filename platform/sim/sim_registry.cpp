#include "platform/sim/sim_registry.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <limits>
#include <optional>
#include <unordered_map>

#include "platform/formats/reg_file.h"
#include "platform/machine/machine_error.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

// Handles look like Windows' own: small multiples of 4, far below the predefined roots.
constexpr RegKey kFirstHandle = 0x100;
constexpr RegKey kHandleStep = 4;
constexpr RegKey kLastHandle = kHKeyClassesRoot - kHandleStep;
// Below this many values a linear search is faster than keeping an index.
constexpr std::size_t kValueIndexThreshold = 16;

/// The bytes of the registry's names and data, kept together in large blocks: a registry
/// of a million values would otherwise pay an allocation for each name and each value.
class ByteArena {
 public:
  std::string_view Store(std::string_view bytes) {
    if (bytes.empty()) return {};
    char* at = nullptr;
    if (bytes.size() > kBlockSize / 8) {
      // A large value gets a block of its own rather than wasting the rest of one.
      large_.push_back(std::make_unique<char[]>(bytes.size()));
      at = large_.back().get();
    } else {
      if (blocks_.empty() || used_ + bytes.size() > kBlockSize) {
        blocks_.push_back(std::make_unique<char[]>(kBlockSize));
        used_ = 0;
      }
      at = blocks_.back().get() + used_;
      used_ += bytes.size();
    }
    std::memcpy(at, bytes.data(), bytes.size());
    return {at, bytes.size()};
  }

 private:
  static constexpr std::size_t kBlockSize = std::size_t{1} << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  std::vector<std::unique_ptr<char[]>> large_;
  std::size_t used_ = 0;
};

/// A value: its name and data lie in the registry's byte arena.
class Value {
 public:
  Value(std::string_view name, std::uint32_t type, std::string_view data)
      : name_(name), data_(data), type_(type) {}
  std::string_view Name() const { return name_; }
  std::string_view Data() const { return data_; }
  std::uint32_t Type() const { return type_; }
  void Replace(std::uint32_t type, std::string_view data) {
    type_ = type;
    data_ = data;
  }

 private:
  std::string_view name_;
  std::string_view data_;
  std::uint32_t type_;
};

class Key;

/// Where the keys and the bytes of a registry live; keys keep their addresses.
struct Storage {
  ByteArena bytes;
  std::deque<Key> keys;
};

class Key {
 public:
  explicit Key(std::string_view name) : name_(name) {}

  std::string_view Name() const { return name_; }
  const std::vector<Key*>& Children() const { return children_; }
  const std::vector<Value>& Values() const { return values_; }

  Key* FindChild(std::string_view name) const {
    // Readers open the subkeys they have just enumerated, one after the other: the child
    // after the last one found is the likely one.
    for (const std::size_t guess : {lastChild_ + 1, lastChild_}) {
      if (guess < children_.size() && EqualUpcased(children_[guess]->name_, name)) {
        lastChild_ = guess;
        return children_[guess];
      }
    }
    const auto it = ChildPosition(name);
    if (it == children_.end() || !EqualUpcased((*it)->name_, name)) return nullptr;
    lastChild_ = static_cast<std::size_t>(it - children_.begin());
    return *it;
  }

  Key& FindOrAddChild(std::string_view name, Storage& storage) {
    const auto it = ChildPosition(name);
    if (it != children_.end() && EqualUpcased((*it)->name_, name)) return **it;
    info_.reset();
    Key& child = storage.keys.emplace_back(storage.bytes.Store(name));
    children_.insert(it, &child);
    return child;
  }

  const Value* FindValue(std::string_view name) const {
    // Readers ask for a value's kind, size and data one after the other, and walk the
    // values in their enumeration order: the last value found or the one after it is the
    // likely one.
    for (std::uint32_t guess : {lastFound_, lastFound_ + 1}) {
      if (guess < values_.size() && EqualUpcased(values_[guess].Name(), name)) {
        lastFound_ = guess;
        return &values_[guess];
      }
    }
    const Value* found = SearchValue(name);
    if (found != nullptr) lastFound_ = static_cast<std::uint32_t>(found - values_.data());
    return found;
  }

  /// Counts and longest lengths, worked out once: the tree does not change after loading.
  const RegKeyInfo& Info() const {
    if (!info_) info_ = CountInfo();
    return *info_;
  }

  /// Adds a value at the end, or replaces the data of the value of that name where it stands.
  void SetValue(std::string_view name, std::uint32_t type, std::string_view data,
                ByteArena& bytes) {
    info_.reset();
    if (const Value* existing = FindValue(name)) {
      values_[static_cast<std::size_t>(existing - values_.data())].Replace(type, bytes.Store(data));
      return;
    }
    const auto position = valueOrder_.empty() ? valueOrder_.end() : ValueOrderPosition(name);
    values_.emplace_back(bytes.Store(name), type, bytes.Store(data));
    if (!valueOrder_.empty()) {
      valueOrder_.insert(position, static_cast<std::uint32_t>(values_.size() - 1));
    } else if (values_.size() >= kValueIndexThreshold) {
      BuildValueOrder();
    }
  }

 private:
  RegKeyInfo CountInfo() const {
    RegKeyInfo info;
    info.subKeys = static_cast<std::uint32_t>(children_.size());
    for (const auto& child : children_) {
      info.maxSubKeyLen =
          std::max(info.maxSubKeyLen, static_cast<std::uint32_t>(child->name_.size()));
    }
    info.values = static_cast<std::uint32_t>(values_.size());
    for (const Value& value : values_) {
      info.maxValueNameLen =
          std::max(info.maxValueNameLen, static_cast<std::uint32_t>(value.Name().size()));
      info.maxValueLen =
          std::max(info.maxValueLen, static_cast<std::uint32_t>(value.Data().size()));
    }
    return info;
  }

  const Value* SearchValue(std::string_view name) const {
    if (valueOrder_.empty()) {
      const auto it = std::find_if(values_.begin(), values_.end(),
                                   [&](const Value& v) { return EqualUpcased(v.Name(), name); });
      return it == values_.end() ? nullptr : &*it;
    }
    const auto it = ValueOrderPosition(name);
    if (it == valueOrder_.end() || !EqualUpcased(values_[*it].Name(), name)) return nullptr;
    return &values_[*it];
  }

  std::vector<Key*>::const_iterator ChildPosition(std::string_view name) const {
    return std::lower_bound(
        children_.begin(), children_.end(), name,
        [](const Key* child, std::string_view n) { return CompareUpcased(child->name_, n) < 0; });
  }

  std::vector<std::uint32_t>::const_iterator ValueOrderPosition(std::string_view name) const {
    return std::lower_bound(valueOrder_.begin(), valueOrder_.end(), name,
                            [&](std::uint32_t index, std::string_view n) {
                              return CompareUpcased(values_[index].Name(), n) < 0;
                            });
  }

  void BuildValueOrder() {
    valueOrder_.resize(values_.size());
    for (std::size_t i = 0; i < values_.size(); ++i) {
      valueOrder_[i] = static_cast<std::uint32_t>(i);
    }
    std::sort(valueOrder_.begin(), valueOrder_.end(), [&](std::uint32_t a, std::uint32_t b) {
      return CompareUpcased(values_[a].Name(), values_[b].Name()) < 0;
    });
  }

  std::string_view name_;
  // Sorted by upper-cased name: the order in which Windows NT enumerates subkeys.
  std::vector<Key*> children_;
  // In load order, the order in which Windows enumerates values.
  std::vector<Value> values_;
  // Indexes into values_ sorted by upper-cased name; kept only for keys with many values.
  std::vector<std::uint32_t> valueOrder_;
  mutable std::optional<RegKeyInfo> info_;
  mutable std::uint32_t lastFound_ = 0;
  mutable std::size_t lastChild_ = 0;
};

struct OpenedKey {
  Key* key = nullptr;
  std::uint32_t access = 0;
};

/// The path a key was opened by, below its root, where WOW64 decides by paths.
struct ViewedPath {
  RegKey root = 0;
  std::string path;
};

std::uint32_t SizeOf(std::string_view bytes) { return static_cast<std::uint32_t>(bytes.size()); }

bool Allows(const std::vector<std::uint32_t>& allowedMasks, std::uint32_t access) {
  return std::any_of(allowedMasks.begin(), allowedMasks.end(),
                     [&](std::uint32_t mask) { return (access & ~mask) == 0; });
}

long CopyName(std::string_view source, char* name, std::uint32_t& nameSize) {
  if (name == nullptr) return kErrorInvalidParameter;
  // NT leaves the buffer and the size alone when the name and its NUL do not fit.
  if (source.size() >= nameSize) return kErrorMoreData;
  // Empty names and data live nowhere in the arena: their pointer is null, which memcpy may
  // not be given even for no bytes.
  if (!source.empty()) std::memcpy(name, source.data(), source.size());
  name[source.size()] = '\0';
  nameSize = SizeOf(source);
  return kErrorSuccess;
}

/// Hands out a value's bytes as the query calls do: the size always, the bytes when they fit.
long CopyData(std::string_view bytes, std::uint8_t* data, std::uint32_t* dataSize) {
  if (dataSize == nullptr) return kErrorSuccess;
  const std::uint32_t available = *dataSize;
  *dataSize = SizeOf(bytes);
  if (data == nullptr) return kErrorSuccess;
  if (bytes.size() > available) return kErrorMoreData;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return kErrorSuccess;
}

}  // namespace

struct SimRegistry::Impl {
  // One tree per predefined root, indexed by handle - HKEY_CLASSES_ROOT; 4 is the
  // performance-data pseudo key, which the sim does not have.
  Storage storage;
  std::array<Key*, 6> roots{};
  std::vector<OpenedKey> handles;
  std::vector<ViewedPath> viewedPaths;  ///< by handle slot, under a WOW64 view only
  std::vector<std::size_t> freeSlots;
  std::optional<Wow64View> view;
  std::unordered_map<const Key*, std::vector<std::uint32_t>> restrictions;

  Impl() {
    for (std::size_t i = 0; i < roots.size(); ++i) {
      if (i != 4) roots[i] = &storage.keys.emplace_back("");
    }
  }

  Key* RootOf(RegKey root) const {
    if (root < kHKeyClassesRoot || root - kHKeyClassesRoot >= roots.size()) return nullptr;
    return roots[root - kHKeyClassesRoot];
  }

  std::optional<OpenedKey> Resolve(RegKey key) const {
    if (Key* root = RootOf(key)) return OpenedKey{root, kKeyAllAccess};
    if (key < kFirstHandle || key > kLastHandle || (key - kFirstHandle) % kHandleStep != 0) {
      return std::nullopt;
    }
    const std::size_t slot = (key - kFirstHandle) / kHandleStep;
    if (slot >= handles.size() || handles[slot].key == nullptr) return std::nullopt;
    return handles[slot];
  }

  RegKey AddHandle(Key* key, std::uint32_t access, ViewedPath viewed) {
    std::size_t slot = handles.size();
    if (!freeSlots.empty()) {
      slot = freeSlots.back();
      freeSlots.pop_back();
    } else {
      handles.emplace_back();
    }
    handles[slot] = OpenedKey{key, access};
    if (view) {
      if (viewedPaths.size() <= slot) viewedPaths.resize(slot + 1);
      viewedPaths[slot] = std::move(viewed);
    }
    return kFirstHandle + slot * kHandleStep;
  }

  /// The root and path a 32-bit program names the key subKey below parent by.
  ViewedPath ViewedPathBelow(RegKey parent, const std::string& subKey) const {
    if (RootOf(parent) != nullptr) return ViewedPath{parent, subKey};
    const ViewedPath& base = viewedPaths[(parent - kFirstHandle) / kHandleStep];
    return ViewedPath{base.root, base.path + "\\" + subKey};
  }

  bool RemoveHandle(RegKey key) {
    if (!Resolve(key) || RootOf(key) != nullptr) return false;
    const std::size_t slot = (key - kFirstHandle) / kHandleStep;
    handles[slot] = OpenedKey{};
    freeSlots.push_back(slot);
    return true;
  }

  /// The key at path below base. Consecutive backslashes count as one, as Wine takes them and
  /// Windows XP does whenever the key is in its cache of recently opened keys; trailing ones
  /// are allowed.
  static Key* FindPath(Key& base, std::string_view path) {
    Key* key = &base;
    while (key != nullptr) {
      while (!path.empty() && path.front() == '\\') path.remove_prefix(1);
      if (path.empty()) break;
      const std::size_t slash = path.find('\\');
      key = key->FindChild(path.substr(0, slash));
      path = slash == std::string_view::npos ? std::string_view() : path.substr(slash);
    }
    return key;
  }

  bool MayOpen(const Key& key, std::uint32_t access) const {
    const auto it = restrictions.find(&key);
    return it == restrictions.end() || Allows(it->second, access);
  }

  /// Puts a .reg file's keys and values into the trees.
  class Loader : public RegFileSink {
   public:
    explicit Loader(Impl& impl) : impl_(impl) {}

    void OnKey(const RegKeyPath& key) override {
      // Key lines come in tree order, so most share their leading names with the line
      // before: those keys are taken as found then, and only the rest is looked up.
      std::size_t known = 0;
      if (key.root == lastRoot_) {
        while (known < lastKeys_.size() && key.path.size() >= lastEnds_[known] &&
               (key.path.size() == lastEnds_[known] || key.path[lastEnds_[known]] == '\\') &&
               key.path.compare(0, lastEnds_[known], lastPath_, 0, lastEnds_[known]) == 0) {
          ++known;
        }
      }
      lastKeys_.resize(known);
      lastEnds_.resize(known);
      Key* current = known > 0 ? lastKeys_.back() : impl_.RootOf(key.root);
      std::size_t pos = known > 0 ? lastEnds_.back() + 1 : 0;
      while (pos < key.path.size()) {
        const std::size_t slash = std::min(key.path.find('\\', pos), key.path.size());
        current = &current->FindOrAddChild(key.path.substr(pos, slash - pos), impl_.storage);
        lastKeys_.push_back(current);
        lastEnds_.push_back(slash);
        pos = slash + 1;
      }
      lastRoot_ = key.root;
      lastPath_.assign(key.path);
      current_ = current;
    }

    void OnValue(std::string_view name, std::uint32_t type, std::string_view data) override {
      current_->SetValue(name, type, data, impl_.storage.bytes);
    }

   private:
    Impl& impl_;
    Key* current_ = nullptr;
    // The key line before: its root, its path, and the key that ends at each backslash.
    RegKey lastRoot_ = 0;
    std::string lastPath_;
    std::vector<Key*> lastKeys_;
    std::vector<std::size_t> lastEnds_;
  };
};

SimRegistry::SimRegistry() : impl_(std::make_unique<Impl>()) {}

SimRegistry::~SimRegistry() = default;

void SimRegistry::LoadRegFile(std::string_view bytes, const std::string& fileName) {
  Impl::Loader loader(*impl_);
  try {
    ParseRegFile(bytes, loader);
  } catch (const FormatError& error) {
    throw MachineError(fileName, error);
  }
}

void SimRegistry::ShowAsWow64(const Wow64View& view) { impl_->view = view; }

void SimRegistry::RestrictAccess(const std::string& keyPath,
                                 std::vector<std::uint32_t> allowedMasks,
                                 const std::string& source) {
  const std::optional<RegKeyPath> path = SplitKeyPath(keyPath);
  if (!path || path->path.empty()) {
    throw MachineError(source, 0, "expected a key below a root key, not '" + keyPath + "'");
  }
  const Key* key = Impl::FindPath(*impl_->RootOf(path->root), path->path);
  if (key == nullptr) throw MachineError(source, 0, "expected an existing key '" + keyPath + "'");
  impl_->restrictions[key] = std::move(allowedMasks);
}

long SimRegistry::RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                                RegKey& result) {
  const std::optional<OpenedKey> base = impl_->Resolve(parent);
  if (!base) return kErrorInvalidHandle;
  result = 0;
  // NT refuses a leading backslash; only Windows 9x ignored it.
  if (!subKey.empty() && subKey.front() == '\\') return kErrorBadPathname;
  // An empty path below a predefined root gives back the root itself, as on Windows.
  if (subKey.empty() && impl_->RootOf(parent) != nullptr) {
    result = parent;
    return kErrorSuccess;
  }
  Key* key = nullptr;
  ViewedPath viewed;
  if (impl_->view) {
    viewed = impl_->ViewedPathBelow(parent, subKey);
    key =
        Impl::FindPath(*impl_->RootOf(viewed.root), impl_->view->KeyPath(viewed.root, viewed.path));
  } else {
    key = Impl::FindPath(*base->key, subKey);
  }
  if (key == nullptr) return kErrorFileNotFound;
  if (!impl_->MayOpen(*key, access)) return kErrorAccessDenied;
  result = impl_->AddHandle(key, access, std::move(viewed));
  return kErrorSuccess;
}

long SimRegistry::RegCloseKey(RegKey key) {
  if (impl_->RootOf(key) != nullptr) return kErrorSuccess;
  return impl_->RemoveHandle(key) ? kErrorSuccess : kErrorInvalidHandle;
}

long SimRegistry::RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) {
  const std::optional<OpenedKey> opened = impl_->Resolve(key);
  if (!opened) return kErrorInvalidHandle;
  if ((opened->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  info = opened->key->Info();
  return kErrorSuccess;
}

long SimRegistry::RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                                std::uint32_t& nameSize) {
  const std::optional<OpenedKey> opened = impl_->Resolve(key);
  if (!opened) return kErrorInvalidHandle;
  if ((opened->access & kKeyEnumerateSubKeys) == 0) return kErrorAccessDenied;
  const auto& children = opened->key->Children();
  if (index >= children.size()) return kErrorNoMoreItems;
  return CopyName(children[index]->Name(), name, nameSize);
}

long SimRegistry::RegEnumValueA(RegKey key, std::uint32_t index, char* name,
                                std::uint32_t& nameSize, std::uint32_t* type, std::uint8_t* data,
                                std::uint32_t* dataSize) {
  const std::optional<OpenedKey> opened = impl_->Resolve(key);
  if (!opened) return kErrorInvalidHandle;
  if ((opened->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  if (data != nullptr && dataSize == nullptr) return kErrorInvalidParameter;
  const auto& values = opened->key->Values();
  if (index >= values.size()) return kErrorNoMoreItems;
  const Value& value = values[index];
  const long result = CopyName(value.Name(), name, nameSize);
  if (result != kErrorSuccess) return result;
  if (type != nullptr) *type = value.Type();
  return CopyData(value.Data(), data, dataSize);
}

long SimRegistry::RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                                   std::uint8_t* data, std::uint32_t* dataSize) {
  const std::optional<OpenedKey> opened = impl_->Resolve(key);
  if (!opened) return kErrorInvalidHandle;
  if (data != nullptr && dataSize == nullptr) return kErrorInvalidParameter;
  if ((opened->access & kKeyQueryValue) == 0) return kErrorAccessDenied;
  const Value* value = opened->key->FindValue(valueName);
  if (value == nullptr) {
    // NT clears the size of a size-only query; with a buffer it leaves the size alone.
    if (data == nullptr && dataSize != nullptr) *dataSize = 0;
    return kErrorFileNotFound;
  }
  if (type != nullptr) *type = value->Type();
  return CopyData(value->Data(), data, dataSize);
}

}  // namespace kdx
