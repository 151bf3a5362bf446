#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_paths.h"
#include "platform/system_facts.h"

namespace kdx {

/// What the run knows of one described file: the version texts of its resource and the
/// last-write date, time, size and attribute letters as the file list shows them.
struct TFileVerInfo {
  std::string CompanyName;
  std::string FileVersion;
  std::string ProductVersion;
  std::string FileDate;
  std::string FileTime;
  std::string FileSize;
  std::string FileAttributes;
};

/// One folder a file name was found in, with the description of its first sighting there.
struct FolderEntry {
  std::string folder;  ///< upper-cased (a to z), ending in a backslash
  TFileVerInfo info;
};

/// Every file the run described, by name, each with the folders it lies in, in the order the
/// run first described it in each. Names are kept sorted, and names and folders looked up,
/// without case under the user locale's collation (CompareStringA with NORM_IGNORECASE), as
/// the report's file list shows them.
class FileList {
 public:
  /// Compares through the system's collation of the user locale.
  explicit FileList(SystemFacts& collation) : entries_(ByCollation{&collation}) {}

  /// Enters a file; false (and nothing changes) when the name is known in that folder.
  bool Add(const std::string& name, const std::string& folder, TFileVerInfo info);
  void Clear() { entries_.clear(); }

  /// Calls visit(name, folders) for each entry in the list's order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const auto& [name, folders] : entries_) visit(name, folders);
  }
  std::size_t Size() const { return entries_.size(); }

 private:
  struct ByCollation {
    SystemFacts* collation;
    bool operator()(const std::string& a, const std::string& b) const {
      return collation->CompareStringA(a, b) == kCompareLessThan;
    }
  };

  std::map<std::string, std::vector<FolderEntry>, ByCollation> entries_;
};

}  // namespace kdx
