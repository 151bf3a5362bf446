#pragma once

#include <string>

namespace kdx::test {

/// Names each instantiation of a contract suite after its platform (the fixture's kName).
struct PlatformName {
  template <typename Fixture>
  static std::string GetName(int) {
    return Fixture::kName;
  }
};

}  // namespace kdx::test
