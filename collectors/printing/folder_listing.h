#pragma once

#include <string>

#include "run/run_context.h"

namespace kdx {

/// Whether path names an existing folder; the machine is asked once a run for each path.
bool FolderExists(RunContext& context, const std::string& path);

/// The folder as a scan lists it: its entries, and the names of its files without hidden and
/// system files, in the locale's order. The machine is asked once a run for each folder, so
/// the scans with one filter after another all take the one listing.
const FolderListing& ListFolderOnce(RunContext& context, const std::string& folder);

}  // namespace kdx
