#include "run/number_format.h"

namespace kdx {

namespace {

std::string GroupDigits(const std::string& digits, char thousands) {
  std::string grouped;
  const std::size_t lead = digits.size() % 3 == 0 ? 3 : digits.size() % 3;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i >= lead && (i - lead) % 3 == 0) grouped += thousands;
    grouped += digits[i];
  }
  return grouped;
}

}  // namespace

std::string FormatGrouped(std::int64_t value, const NumberSeparators& separators) {
  const bool negative = value < 0;
  // Through unsigned so that the smallest value has a magnitude too.
  const std::uint64_t magnitude =
      negative ? ~static_cast<std::uint64_t>(value) + 1 : static_cast<std::uint64_t>(value);
  std::string grouped = GroupDigits(std::to_string(magnitude), separators.thousands);
  if (negative) grouped.insert(grouped.begin(), '-');
  return grouped;
}

}  // namespace kdx
