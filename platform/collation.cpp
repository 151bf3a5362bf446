#include "platform/collation.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace kdx {
namespace {

// Windows compares sort keys level by level. A byte sorts as up to two elements (ß as s s),
// each with a primary weight (script and letter), a diacritic weight and a case weight; or as
// punctuation, which the primary level skips ("word sort") and a last level weighs by its
// place; or not at all.
struct ByteWeights {
  std::uint8_t elements;
  std::array<std::uint16_t, 2> primary;
  std::array<std::uint8_t, 2> diacritic;
  std::array<std::uint8_t, 2> case_weight;
  std::uint8_t punctuation;
  std::uint8_t punctuation_marks;
};

constexpr std::array<ByteWeights, 256> kByteWeights = {{
#include "platform/collation_table.inc"
}};

const ByteWeights& WeightsOf(char byte) { return kByteWeights[static_cast<unsigned char>(byte)]; }

std::string_view UpToNul(std::string_view name) { return name.substr(0, name.find('\0')); }

// Walks the elements of a name: letters, digits and symbols, expansions split.
class Elements {
 public:
  explicit Elements(std::string_view name) : name_(name) { SkipBytesWithoutElements(); }

  bool AtEnd() const { return byte_ == name_.size(); }
  std::uint16_t Primary() const { return WeightsOf(name_[byte_]).primary[element_]; }
  std::uint8_t Diacritic() const { return WeightsOf(name_[byte_]).diacritic[element_]; }
  std::uint8_t Case() const { return WeightsOf(name_[byte_]).case_weight[element_]; }

  void Advance() {
    if (++element_ < WeightsOf(name_[byte_]).elements) return;
    element_ = 0;
    ++byte_;
    SkipBytesWithoutElements();
  }

 private:
  void SkipBytesWithoutElements() {
    while (byte_ < name_.size() && WeightsOf(name_[byte_]).elements == 0) ++byte_;
  }

  std::string_view name_;
  std::size_t byte_ = 0;
  std::size_t element_ = 0;
};

// Walks the punctuation of a name with the place the sort key gives it: the number of
// elements before it, counted down from 0xFFFF so that earlier punctuation weighs more.
class Punctuation {
 public:
  explicit Punctuation(std::string_view name) : name_(name) { SkipToPunctuation(); }

  bool AtEnd() const { return byte_ == name_.size(); }
  // Place, weight and marks, ordered as the sort key's bytes are.
  std::int64_t Key() const {
    const ByteWeights& weights = WeightsOf(name_[byte_]);
    const auto place = static_cast<std::uint16_t>(0xFFFF - elements_before_);
    return std::int64_t{place} << 16 | weights.punctuation << 8 | weights.punctuation_marks;
  }

  void Advance() {
    ++byte_;
    SkipToPunctuation();
  }

 private:
  void SkipToPunctuation() {
    for (; byte_ < name_.size() && WeightsOf(name_[byte_]).punctuation == 0; ++byte_) {
      elements_before_ += WeightsOf(name_[byte_]).elements;
    }
  }

  std::string_view name_;
  std::size_t byte_ = 0;
  std::size_t elements_before_ = 0;
};

// One level of two names, the shorter first when one is the start of the other. Names equal at
// the primary level have as many elements, so only the punctuation level meets that case
// again; the neutral diacritic and case weights the sort key drops at the end of a level do
// not change the order as all weights are at least neutral.
template <typename Walk, typename Weight>
int CompareLevel(std::string_view a, std::string_view b, Weight (Walk::*weight)() const) {
  Walk x(a);
  Walk y(b);
  for (; !x.AtEnd() && !y.AtEnd(); x.Advance(), y.Advance()) {
    const auto wx = (x.*weight)();
    const auto wy = (y.*weight)();
    if (wx != wy) return wx < wy ? -1 : 1;
  }
  if (x.AtEnd() == y.AtEnd()) return 0;
  return x.AtEnd() ? -1 : 1;
}

}  // namespace

int CompareNamesIgnoreCase(std::string_view a, std::string_view b) {
  a = UpToNul(a);
  b = UpToNul(b);
  int order = CompareLevel(a, b, &Elements::Primary);
  if (order == 0) order = CompareLevel(a, b, &Elements::Diacritic);
  if (order == 0) order = CompareLevel(a, b, &Elements::Case);
  if (order == 0) order = CompareLevel(a, b, &Punctuation::Key);
  return order;
}

}  // namespace kdx
