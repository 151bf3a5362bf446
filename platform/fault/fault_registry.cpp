#include <map>

#include "platform/fault/fault_areas.h"
#include "platform/forwarding.h"
#include "platform/registry_roots.h"

namespace kdx {

namespace {

// A value that grew between its size and its data asks for this much more.
constexpr std::uint32_t kGrowth = 2;

/// Fails registry calls as advapi32 does: the code returned, a failed open's handle null, a
/// missing value's size query with its size cleared, a buffer too small for a grown value
/// with the size it now needs; every other output is left as it was.
class FaultRegistry final : public ForwardingRegistryStore {
 public:
  FaultRegistry(RegistryStore& inner, FaultSchedule& schedule)
      : ForwardingRegistryStore(inner), schedule_(schedule) {}

  long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                     RegKey& result) override {
    const std::string path = PathOf(parent) + "\\" + subKey;
    const long error = Code(
        FaultCall::RegOpenKeyExA,
        [&] { return Inner().RegOpenKeyExA(parent, subKey, access, result); },
        [&](long code) {
          result = 0;
          return code;
        },
        path);
    if (error == kErrorSuccess) paths_[result] = path;
    return error;
  }

  long RegCloseKey(RegKey key) override {
    // A handle that fails to close stays open, as on Windows.
    const long error = Code(
        FaultCall::RegCloseKey, [&] { return Inner().RegCloseKey(key); },
        [](long code) { return code; }, PathOf(key));
    if (error == kErrorSuccess) paths_.erase(key);
    return error;
  }

  long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) override {
    return Code(
        FaultCall::RegQueryInfoKeyA, [&] { return Inner().RegQueryInfoKeyA(key, info); },
        [](long code) { return code; }, PathOf(key));
  }

  long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                     std::uint32_t& nameSize) override {
    return Code(
        FaultCall::RegEnumKeyExA, [&] { return Inner().RegEnumKeyExA(key, index, name, nameSize); },
        [](long code) { return code; }, PathOf(key));
  }

  long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                     std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) override {
    return Code(
        FaultCall::RegEnumValueA,
        [&] { return Inner().RegEnumValueA(key, index, name, nameSize, type, data, dataSize); },
        [](long code) { return code; }, PathOf(key));
  }

  long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                        std::uint8_t* data, std::uint32_t* dataSize) override {
    const auto real = [&] {
      return Inner().RegQueryValueExA(key, valueName, type, data, dataSize);
    };
    const std::string subject = PathOf(key) + " [" + valueName + "]";
    if (data == nullptr) {
      return Code(
          FaultCall::RegQueryValueSize, real,
          [&](long code) {
            if (code == kErrorFileNotFound && dataSize != nullptr) *dataSize = 0;
            return code;
          },
          subject);
    }
    return Code(
        FaultCall::RegQueryValueData, real,
        [&](long code) {
          if (code == kErrorMoreData) GrownValue(key, valueName, type, dataSize);
          return code;
        },
        subject);
  }

 private:
  template <typename Real, typename Fail>
  long Code(FaultCall kind, Real&& real, Fail&& fail, const std::string& subject) {
    return schedule_.Call(kind, real, fail, IsErrorCode, [&] { return subject; });
  }

  /// The type and size of a value that has grown since the caller learned its size.
  void GrownValue(RegKey key, const std::string& valueName, std::uint32_t* type,
                  std::uint32_t* dataSize) {
    std::uint32_t realType = 0;
    std::uint32_t realSize = 0;
    Inner().RegQueryValueExA(key, valueName, &realType, nullptr, &realSize);
    if (type != nullptr) *type = realType;
    if (dataSize != nullptr) *dataSize = std::max(realSize, *dataSize) + kGrowth;
  }

  std::string PathOf(RegKey key) const {
    const auto found = paths_.find(key);
    return found != paths_.end() ? found->second : std::string(RootKeyName(key));
  }

  FaultSchedule& schedule_;
  std::map<RegKey, std::string> paths_;
};

}  // namespace

std::unique_ptr<RegistryStore> NewFaultRegistry(RegistryStore& inner, FaultSchedule& schedule) {
  return std::make_unique<FaultRegistry>(inner, schedule);
}

}  // namespace kdx
