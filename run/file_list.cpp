#include "run/file_list.h"

#include <algorithm>

namespace kdx {

bool FileList::Add(const std::string& name, const std::string& folder, TFileVerInfo info) {
  auto& folders = entries_[name];
  SystemFacts& collation = *entries_.key_comp().collation;
  const bool known = std::any_of(folders.begin(), folders.end(), [&](const FolderEntry& entry) {
    return collation.CompareStringA(entry.folder, folder) == kCompareEqual;
  });
  if (known) return false;
  folders.push_back({folder, std::move(info)});
  return true;
}

}  // namespace kdx
