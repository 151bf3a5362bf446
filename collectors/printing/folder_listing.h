#pragma once

#include <string>

#include "run/run_context.h"

namespace kdx {

/// A folder as a scan sees it: whether it is a folder, its listing and its file names.
struct FolderListing {
  bool isFolder = false;
  long listError = 0;                    ///< of the listing, when the folder exists
  std::vector<FolderEntryData> entries;  ///< as the file system handed them out
  std::vector<std::string> fileNames;    ///< no folders, hidden or system files; sorted
};

/// Whether path names an existing folder; the machine is asked once a run for each path.
bool FolderExists(RunContext& context, const std::string& path);

/// The folder as a scan lists it: its entries, and the names of its files without hidden and
/// system files, in the locale's order. The machine is asked once a run for each folder, so
/// the scans with one filter after another all take the one listing.
const FolderListing& ListFolderOnce(RunContext& context, const std::string& folder);

}  // namespace kdx
