#include "platform/sim/upcase.h"

#include <algorithm>

#include "platform/upcase.h"

namespace kdx {

int CompareUpcased(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    const int difference = static_cast<unsigned char>(UpcaseAnsiChar(a[i])) -
                           static_cast<unsigned char>(UpcaseAnsiChar(b[i]));
    if (difference != 0) return difference;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace kdx
