#include "platform/name_list.h"

#include <algorithm>

namespace kdx {

std::vector<std::string> SplitNameList(std::string_view list) {
  std::vector<std::string> names;
  std::size_t pos = 0;
  while (pos < list.size()) {
    const std::size_t end = std::min(list.find('\0', pos), list.size());
    if (end == pos) break;
    names.emplace_back(list.substr(pos, end - pos));
    pos = end + 1;
  }
  return names;
}

}  // namespace kdx
