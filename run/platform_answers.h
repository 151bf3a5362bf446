#pragma once

#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"

namespace kdx {

/// What describing one path found: the error of the open, or the row text of the file.
struct PathDescription {
  long openError = 0;  ///< kErrorSuccess when the file opened and text holds its row text
  std::string text;
};

/// A folder as a scan sees it: whether it is a folder, its listing and its file names.
struct FolderListing {
  bool isFolder = false;
  long listError = 0;                    ///< of the listing, when the folder exists
  std::vector<FolderEntryData> entries;  ///< as the file system handed them out
  std::vector<std::string> fileNames;    ///< no folders, hidden or system files; sorted
};

/// A printer driver's "Dependent Files" and the driver folder of the environment it is in.
struct DriverFiles {
  std::string folder;
  std::string data;
  bool version4 = false;  ///< a Version-4 driver, whose files lie in the folder's 4\ as well
};

/// Answers of the machine the run keeps once it has them, for questions the run asks again
/// (every printer of a driver reads the driver's files and looks for them anew; the INF and
/// system folders are scanned once per name filter). The report takes the first answer: nothing the
/// run itself does changes them, and a file another program makes or removes while the run goes on
/// may as well have come just before or just after it.
struct PlatformAnswers {
  std::unordered_map<std::string, PathDescription> descriptions;  ///< by path as described
  std::unordered_map<std::string, FolderListing> listings;        ///< by folder as scanned
  std::unordered_map<std::string, bool> folders;                  ///< whether a path is a folder
  /// A printer driver's "Dependent Files" by driver name; nothing when they cannot be read.
  std::unordered_map<std::string, std::optional<DriverFiles>> driverFiles;

  void Clear() {
    descriptions.clear();
    listings.clear();
    folders.clear();
    driverFiles.clear();
  }
};

}  // namespace kdx
