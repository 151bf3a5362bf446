#include "collectors/printing/folder_listing.h"

#include <algorithm>
#include <unordered_map>

#include "platform/error_codes.h"

namespace kdx {

namespace {

constexpr std::uint32_t kNotListed =
    kFileAttributeHidden | kFileAttributeSystem | kFileAttributeDirectory;

void SortByCollation(SystemFacts& system, std::vector<std::string>& names) {
  std::stable_sort(names.begin(), names.end(), [&](const std::string& a, const std::string& b) {
    return system.CompareStringA(a, b) == kCompareLessThan;
  });
}

/// The folders listed so far, by folder as scanned. The report may take the first listing: the
/// INF and system folders are scanned once per name filter, and a file another program makes
/// or removes meanwhile may as well have come just before or just after the run.
struct FolderListings {
  std::unordered_map<std::string, FolderListing> byFolder;
};

FolderListing ListFolderFresh(RunContext& context, const std::string& folder) {
  FolderListing listing;
  listing.isFolder = FolderExists(context, folder);
  if (!listing.isFolder) return listing;
  listing.listError = context.platform.Files().ListFolder(folder, listing.entries);
  if (listing.listError != kErrorSuccess) {
    listing.entries.clear();
    return listing;
  }
  for (const FolderEntryData& entry : listing.entries) {
    if ((entry.attributes & kNotListed) == 0) listing.fileNames.push_back(entry.name);
  }
  SortByCollation(context.platform.System(), listing.fileNames);
  return listing;
}

}  // namespace

bool FolderExists(RunContext& context, const std::string& path) {
  auto& folders = context.answers.folders;
  if (const auto known = folders.find(path); known != folders.end()) return known->second;
  std::uint32_t attributes = 0;
  const bool exists =
      context.platform.Files().GetFileAttributesA(path, attributes) == kErrorSuccess &&
      (attributes & kFileAttributeDirectory) != 0;
  folders.emplace(path, exists);
  return exists;
}

const FolderListing& ListFolderOnce(RunContext& context, const std::string& folder) {
  auto& listings = context.caches.Of<FolderListings>().byFolder;
  if (const auto known = listings.find(folder); known != listings.end()) return known->second;
  FolderListing listing = ListFolderFresh(context, folder);
  return listings.emplace(folder, std::move(listing)).first->second;
}

}  // namespace kdx
