#include "collectors/system/temp_dir_check.h"

#include <cstdint>
#include <optional>
#include <vector>

#include "collectors/printing/describe_file.h"
#include "collectors/printing/file_inventory.h"
#include "platform/errors.h"
#include "platform/registry.h"

namespace kdx {

namespace {

constexpr char kBlockStart[] = "[Check TEMP Dir]";
constexpr char kBlockEnd[] = "[END Check TEMP Dir]";
constexpr char kFileError[] = "ERROR(CheckTMPDir)";
constexpr char kSystemEnvironmentKey[] =
    "\\SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
constexpr char kTempName[] = "TEMP";
constexpr std::uint32_t kSkippedEntries = kFileAttributeHidden | kFileAttributeSystem;

bool IsFolder(FileSystem& files, const std::string& path) {
  std::uint32_t attributes = 0;
  return files.GetFileAttributesA(path, attributes) == kErrorSuccess &&
         (attributes & kFileAttributeDirectory) != 0;
}

std::string WithBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

bool SameDate(const SystemTime& a, const SystemTime& b) {
  return a.year == b.year && a.month == b.month && a.day == b.day;
}

/// Whether the entry was written today; nothing when its time cannot be had in local time.
std::optional<bool> WrittenToday(SystemFacts& system, const FolderEntryData& entry,
                                 const SystemTime& today) {
  const auto written = system.FileTimeToLocalTime(entry.lastWriteTime);
  if (!written) return std::nullopt;
  return SameDate(*written, today);
}

/// A failed expansion leaves nothing to list; the empty path then shows as a missing folder.
std::string Expanded(SystemFacts& system, const std::string& text) {
  return system.ExpandEnvironmentStringsA(text).value_or("");
}

std::string ProcessTemp(SystemFacts& system) {
  return system.GetEnvironmentVariableA(kTempName).value_or("");
}

/// The system-wide folder as the registry names it, expanded; nothing when the value is not
/// there.
std::optional<std::string> SystemTemp(RunContext& context) {
  TRegistry registry(context.platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  registry.OpenRead(kSystemEnvironmentKey);
  if (!registry.HasValue(kTempName)) return std::nullopt;
  return Expanded(context.platform.System(), registry.ReadText(kTempName));
}

void DescribeTempFile(RunContext& context, const std::string& path) {
  try {
    // The text is not shown here: the file reaches the report through the file list.
    DescribeFile(context, path);
  } catch (const KdxError& error) {
    context.AddReportRow(kFileError, error.what());
  }
}

void ListEntry(RunContext& context, const std::string& folder, const std::string& name) {
  // The key keeps the folder as given, so a trailing backslash shows doubled.
  context.AddReportRow(folder + "\\" + name, "");
  const std::string subfolder = folder + "\\" + name;
  if (IsFolder(context.platform.Files(), subfolder)) {
    ScanFolder(context, subfolder, "", true);
  } else {
    DescribeTempFile(context, WithBackslash(folder) + name);
  }
}

}  // namespace

void ListChangedToday(RunContext& context, const std::string& folder, const SystemTime& today) {
  FileSystem& files = context.platform.Files();
  if (!IsFolder(files, folder)) {
    context.AddReportRow(folder, kFolderMissing);
    return;
  }
  std::vector<FolderEntryData> entries;
  const long error = files.ListFolder(folder, entries);
  // An empty drive root has not even "." and "..": the search finds nothing, which is no fault.
  if (error == kErrorFileNotFound) return;
  if (error != kErrorSuccess) {
    // A temporary folder of another user may refuse its listing.
    AddUnreadableFolderRow(context, folder, error);
    return;
  }
  for (const FolderEntryData& entry : entries) {
    if ((entry.attributes & kSkippedEntries) != 0 || entry.name == "." || entry.name == "..") {
      continue;
    }
    const std::optional<bool> writtenToday = WrittenToday(context.platform.System(), entry, today);
    if (!writtenToday) {
      // An entry whose date cannot be told may be of today: it is named rather than left out.
      context.AddReportRow(kFileError,
                           "FileTimeToLocalFileTime failed (" + folder + "\\" + entry.name + ")");
    } else if (*writtenToday) {
      ListEntry(context, folder, entry.name);
    }
  }
}

void CheckTempDir(RunContext& context) {
  SystemFacts& system = context.platform.System();
  const SystemTime today = system.GetLocalTime();
  context.AddReportRow(kBlockStart, "");
  std::string userTemp;
  if (context.isNT) {
    if (const auto systemTemp = SystemTemp(context)) {
      ListChangedToday(context, *systemTemp, today);
    }
    userTemp = Expanded(system, ProcessTemp(system));
  } else {
    // Windows 95 to ME hand the variable over as it is.
    userTemp = ProcessTemp(system);
  }
  ListChangedToday(context, userTemp, today);
  context.AddReportRow(kBlockEnd, "");
}

}  // namespace kdx
