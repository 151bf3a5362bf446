#pragma once

#include <string>
#include <vector>

namespace kdx {

// The reader takes folders of reports: listed with the host's own calls, which the build picks
// (app/console/posix or app/console/win32).

/// True when the path names an existing folder.
bool IsFolder(const std::string& path);

/// The names of the files in a folder (not its subfolders), sorted by their bytes; false when
/// the folder cannot be listed.
bool ListFolderFiles(const std::string& folder, std::vector<std::string>& names);

/// The path of a file in a folder, with the host's separator.
std::string PathInFolder(const std::string& folder, const std::string& name);

}  // namespace kdx
