#pragma once

#include <memory>
#include <typeindex>
#include <unordered_map>

namespace kdx {

/// What the steps of a run keep for its length, one object of each kind, made on first use
/// and dropped when a run starts. Each kind is declared beside the code that fills it and
/// says why the report may take the first answer it keeps.
class RunCaches {
 public:
  template <typename Cache>
  Cache& Of() {
    std::unique_ptr<Holder>& slot = caches_[std::type_index(typeid(Cache))];
    if (!slot) slot = std::make_unique<Held<Cache>>();
    return static_cast<Held<Cache>&>(*slot).cache;
  }
  void Clear() { caches_.clear(); }

 private:
  struct Holder {
    virtual ~Holder() = default;
  };
  template <typename Cache>
  struct Held final : Holder {
    Cache cache;
  };

  std::unordered_map<std::type_index, std::unique_ptr<Holder>> caches_;
};

}  // namespace kdx
