#include "collectors/printing/file_inventory.h"

#include <array>
#include <optional>
#include <vector>

#include "collectors/printing/describe_file.h"
#include "collectors/printing/folder_listing.h"
#include "platform/errors.h"
#include "platform/system_error_text.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

constexpr char kRuler[] = "########";
constexpr char kFailurePrefix[] = "Fehler: ";
constexpr char kSharedDllsKey[] = "\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr std::uint32_t kSkippedEntries = kFileAttributeHidden | kFileAttributeSystem;

/// Folders of the Windows folder scanned once per filter, in the report's order.
struct FilteredScan {
  const char* folder;
  const char* filter;
};
constexpr std::array<FilteredScan, 8> kInfScans = {{
    {"\\INF", "KDX"},
    {"\\INF", "USB"},
    {"\\INF", "DY"},
    {"\\INF", "LW"},
    {"\\INF\\OTHER", "KDX"},
    {"\\INF\\OTHER", "USB"},
    {"\\INF\\OTHER", "DY"},
    {"\\INF\\OTHER", "LW"},
}};

/// The filters of the system folders' scans, each scanning every system folder in turn.
constexpr std::array<const char*, 4> kSystemFilters = {"KDX", "USB", "DY", "LW"};

/// The system folders of the Windows folder. A 64-bit Windows shows a 32-bit program SysWOW64
/// under the name SYSTEM32: it has the real one looked at through the Sysnative alias where
/// there is one (Windows Vista and later), and SysWOW64 under its own name as well.
constexpr std::array<const char*, 2> kSystemFolders = {"\\SYSTEM32", "\\SYSTEM32\\DRIVERS"};
constexpr std::array<const char*, 4> kNativeSystemFolders = {"\\SYSNATIVE", "\\SYSNATIVE\\DRIVERS",
                                                             "\\SYSWOW64", "\\SYSWOW64\\DRIVERS"};
constexpr std::array<const char*, 4> kSystemFoldersWithoutAlias = {
    "\\SYSTEM32", "\\SYSTEM32\\DRIVERS", "\\SYSWOW64", "\\SYSWOW64\\DRIVERS"};

/// Folders of the Windows folder where a shared library may lie besides its registered one.
constexpr std::array<const char*, 5> kSharedDllFolders = {"\\", "\\Kelmo\\", "\\KMI\\",
                                                          "\\System\\", "\\System32\\"};

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

/// A folder path as a folder listing names it: no trailing backslash.
std::string NormalFolderPath(const std::string& folder) {
  std::string normal;
  for (const char c : folder) {
    if (c == '\\' && !normal.empty() && normal.back() == '\\') continue;
    normal += c;
  }
  while (!normal.empty() && normal.back() == '\\') normal.pop_back();
  return normal;
}

bool Contains(const std::string& name, const std::string& upperFilter) {
  return upperFilter.empty() || UpcaseAscii(name).find(upperFilter) != std::string::npos;
}

void DescribeListedFile(RunContext& context, const std::string& path, bool withRows) {
  std::optional<std::string> text;
  try {
    text = TryDescribeFile(context, path);
  } catch (const KdxError& error) {
    // A file that opens but whose facts cannot be had costs its own description only, named
    // in its row, with or without rows: the scan goes on.
    context.AddReportRow(path, kFailurePrefix + std::string(error.what()));
    return;
  }
  if (!withRows) return;
  if (!text) context.AddReportRow(path, kFileMissing);
  context.AddReportRow(path, text.value_or(""));
}

/// ScanFolder, handing back the folder's listing: empty when the folder is missing or refuses
/// to be listed.
const std::vector<FolderEntryData>& ScanListedFolder(RunContext& context, const std::string& folder,
                                                     const std::string& filter, bool withRows) {
  const FolderListing& listing = ListFolderOnce(context, folder);
  if (!listing.isFolder) {
    context.AddReportRow(folder, kFolderMissing);
    return listing.entries;
  }
  if (listing.listError != kErrorSuccess) {
    AddUnreadableFolderRow(context, folder, listing.listError);
    return listing.entries;
  }
  const std::string upperFilter = UpcaseAscii(filter);
  const std::string prefix = NormalFolderPath(FullPath(context.platform.Files(), folder)) + "\\";
  for (const std::string& name : listing.fileNames) {
    if (Contains(name, upperFilter)) DescribeListedFile(context, prefix + name, withRows);
  }
  return listing.entries;
}

/// A folder still being walked: its subfolders and the next one to enter.
struct TreeFolder {
  std::string path;
  std::vector<std::string> subfolders;
  std::size_t next = 0;
};

TreeFolder EnterTreeFolder(RunContext& context, const std::string& folder,
                           const std::string& filter, bool withRows) {
  // The listing that gave the folder's files also gives its subfolders.
  const std::vector<FolderEntryData>& entries = ScanListedFolder(context, folder, filter, withRows);
  TreeFolder tree{folder, {}, 0};
  for (const FolderEntryData& entry : entries) {
    if ((entry.attributes & kSkippedEntries) != 0 || entry.name == "." || entry.name == "..") {
      continue;
    }
    // Links that lead back into the tree would make the walk endless.
    if ((entry.attributes & kFileAttributeReparsePoint) != 0) continue;
    // The listing already tells files from folders; only folders are asked again.
    if ((entry.attributes & kFileAttributeDirectory) == 0) continue;
    const std::string subPath = WithBackslash(folder) + entry.name;
    if (FolderExists(context, subPath)) tree.subfolders.push_back(subPath);
  }
  return tree;
}

void DescribeSharedLibrary(RunContext& context, const std::string& registered) {
  const std::string name(FileNamePart(registered));
  const std::string folder(FolderPart(registered));
  try {
    DescribeFile(context, registered);
  } catch (const EFOpenError&) {
  }
  std::string windowsDir = context.windowsDir;
  for (const char* candidate : kSharedDllFolders) {
    const std::string candidateFolder = windowsDir + candidate;
    if (UpcaseAscii(candidateFolder) == UpcaseAscii(folder)) continue;
    const std::string path = candidateFolder + name;
    if (!context.platform.Files().FileExists(path)) continue;
    try {
      DescribeFile(context, path);
    } catch (const EFOpenError&) {
    }
  }
}

/// The shared libraries of the label software that SharedDLLs registers, and their copies in
/// the usual folders; only the file list sees them.
void DescribeSharedLibraries(RunContext& context, TRegistry& registry) {
  // Whatever fails here ends this step alone, without a message.
  try {
    registry.SelectRoot(kHKeyLocalMachine);
    if (!registry.OpenRead(kSharedDllsKey)) return;
    std::vector<std::string> names;
    registry.ValueNames(names);
    for (const std::string& registered : names) {
      const std::string upper = UpcaseAscii(registered);
      if (upper.find("KDX") == std::string::npos &&
          upper.find("DEXTA LABEL") == std::string::npos) {
        continue;
      }
      DescribeSharedLibrary(context, registered);
    }
  } catch (const KdxError&) {
  }
}

/// The folders of the Windows folder the system folders' scans look at, in their order.
std::vector<const char*> SystemFoldersToScan(const RunContext& context) {
  if (!context.wow64View) return {kSystemFolders.begin(), kSystemFolders.end()};
  // By the Windows version, as the file list names the folders: Wine offers Sysnative also
  // when it plays XP x64, which lacks it.
  if (context.wow64View->HasSysnative()) {
    return {kNativeSystemFolders.begin(), kNativeSystemFolders.end()};
  }
  return {kSystemFoldersWithoutAlias.begin(), kSystemFoldersWithoutAlias.end()};
}

void ScanDriverFolders(RunContext& context, const std::string& driverDir) {
  ScanFolder(context, driverDir, "", false);
  ScanFolder(context, driverDir + "2", "", false);
  ScanFolder(context, driverDir + "3", "", false);
}

void DriverStoreRows(RunContext& context) {
  context.AddReportRow("", "");
  context.AddReportRow(kRuler, kRuler);
  context.AddReportRow("DRVSTORE", "");
  ScanFolder(context, WithBackslash(context.systemDir) + "DRVSTORE", "", true);
  context.AddReportRow(kRuler, kRuler);
  context.AddReportRow("", "");
}

}  // namespace

void AddUnreadableFolderRow(RunContext& context, const std::string& folder, long error) {
  context.AddReportRow(
      folder, "Verzeichnis nicht lesbar: " +
                  SystemErrorText(context.platform.System(), static_cast<std::uint32_t>(error)));
}

void ScanFolder(RunContext& context, const std::string& folder, const std::string& filter,
                bool withRows) {
  ScanListedFolder(context, folder, filter, withRows);
}

void ScanFolderTree(RunContext& context, const std::string& folder, const std::string& filter,
                    bool withRows) {
  // The way down lives here rather than on the machine's stack: no folder tree can exhaust it.
  std::vector<TreeFolder> way;
  way.push_back(EnterTreeFolder(context, folder, filter, withRows));
  while (!way.empty()) {
    TreeFolder& current = way.back();
    if (current.next == current.subfolders.size()) {
      way.pop_back();
      continue;
    }
    const std::string subfolder = current.subfolders[current.next++];
    way.push_back(EnterTreeFolder(context, subfolder, filter, withRows));
  }
}

void CollectFileInventory(RunContext& context, TRegistry& registry) {
  if (context.isNT) {
    ScanDriverFolders(context, context.driverDir);
    if (!context.nativeDriverDir.empty()) ScanDriverFolders(context, context.nativeDriverDir);
    DriverStoreRows(context);
  }
  for (const FilteredScan& scan : kInfScans) {
    ScanFolder(context, context.windowsDir + scan.folder, scan.filter, false);
  }
  const std::vector<const char*> systemFolders = SystemFoldersToScan(context);
  for (const char* filter : kSystemFilters) {
    for (const char* folder : systemFolders) {
      ScanFolder(context, context.windowsDir + folder, filter, false);
    }
  }
  ScanFolder(context, context.windowsDir + "\\KELMO", "", false);
  ScanFolder(context, context.windowsDir + "\\KMI", "", false);
  if (!context.v4AppDir.empty()) ScanFolderTree(context, context.v4AppDir, "", false);
  if (!context.v5AppDir.empty()) ScanFolderTree(context, context.v5AppDir, "", false);
  ScanFolderTree(context, WithBackslash(context.commonFilesDir) + "Dexta Label v5", "", false);
  DescribeSharedLibraries(context, registry);
}

}  // namespace kdx
