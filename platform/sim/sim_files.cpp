#include "platform/sim/sim_files.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/error_codes.h"
#include "platform/file_paths.h"
#include "platform/formats/ini_file.h"
#include "platform/formats/shell_link.h"
#include "platform/formats/version_info.h"
#include "platform/registry.h"
#include "platform/sim/file_time.h"
#include "platform/sim/host_paths.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_system.h"
#include "platform/text_encoding.h"
#include "platform/upcase.h"

namespace kdx {

namespace fs = std::filesystem;

namespace {

constexpr std::uint32_t kPlatformNt = 2;
// The program reads a handful of INI files; a machine that makes it read more costs a parse.
constexpr std::size_t kCachedIniFiles = 16;
// The shell's link object reads no more of a file than its parts name, and no real
// shortcut's parts take this much.
constexpr std::size_t kShortcutReadLimit = 1 << 20;
constexpr char kIniFileMappingKey[] =
    "\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\IniFileMapping\\";

long Win32ErrorOfErrno(int error) {
  switch (error) {
    case ENOENT:
      return kErrorPathNotFound;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
      return kErrorAccessDenied;
    case EMFILE:
    case ENFILE:
      return kErrorTooManyOpenFiles;
    case ENOSPC:
      return kErrorDiskFull;
    default:
      return error;
  }
}

}  // namespace

/// A host file open for reading. The version resource reader reads through it while the
/// program holds it open, rather than opening the file a second time.
struct SimOpenFile {
  std::string windowsPath;
  fs::path host;
  std::ifstream in;
  FileInformation information;
};

namespace {

// File streams take the host's Unicode paths on every host, narrow C calls do not.
class HostInputFile : public InputFile {
 public:
  explicit HostInputFile(std::shared_ptr<SimOpenFile> file) : file_(std::move(file)) {}

  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    std::ifstream& in = file_->in;
    in.read(buffer, static_cast<std::streamsize>(size));
    count = static_cast<std::size_t>(in.gcount());
    if (in.bad()) return kErrorReadFault;
    // A short read only marks the end; the next read finds nothing, as ReadFile does.
    in.clear();
    return kErrorSuccess;
  }

  long Seek(std::uint64_t offset) override {
    std::ifstream& in = file_->in;
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    return in ? kErrorSuccess : kErrorInvalidParameter;
  }

  long GetInformation(FileInformation& information) override {
    information = file_->information;
    return kErrorSuccess;
  }

 private:
  std::shared_ptr<SimOpenFile> file_;
};

/// A file machine.json states without its bytes: it tells its facts, and its reads fail as
/// those of a device that cannot be read.
class StatedInputFile : public InputFile {
 public:
  explicit StatedInputFile(const FileInformation& information) : information_(information) {}

  long Read(char* /*buffer*/, std::size_t /*size*/, std::size_t& count) override {
    count = 0;
    return kErrorReadFault;
  }
  long Seek(std::uint64_t /*offset*/) override { return kErrorSuccess; }
  long GetInformation(FileInformation& information) override {
    information = information_;
    return kErrorSuccess;
  }

 private:
  FileInformation information_;
};

/// A folder path as a scan joins names to it: no doubled and no trailing backslashes.
std::string ListedFolderPath(const std::string& folder) {
  std::string path;
  for (const char c : folder) {
    if (c == '\\' && !path.empty() && path.back() == '\\') continue;
    path += c;
  }
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return path;
}

/// A host file read a page at a time as a reader of its format asks: what the reader does not
/// look at is never read, and a file that shrinks meanwhile fails the read it cuts short.
std::optional<FileBytes> HostFileBytes(const fs::path& host) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(host, ec);
  auto in = std::make_shared<std::ifstream>(host, std::ios::binary);
  if (ec || !*in) return std::nullopt;
  return FileBytes(size, [in](std::uint64_t offset, char* buffer, std::size_t count) {
    in->clear();
    in->seekg(static_cast<std::streamoff>(offset));
    return static_cast<bool>(in->read(buffer, static_cast<std::streamsize>(count)));
  });
}

/// At most the first limit bytes of a host file; empty when it cannot be read.
std::string HostFileStart(const fs::path& host, std::size_t limit) {
  std::ifstream in(host, std::ios::binary);
  std::string bytes(limit, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(limit));
  bytes.resize(in.bad() ? 0 : static_cast<std::size_t>(in.gcount()));
  return bytes;
}

/// All bytes of an open file, read without moving the position its holder reads from.
std::optional<std::string> WholeFile(SimOpenFile& file) {
  std::ifstream& in = file.in;
  in.clear();
  const std::streampos position = in.tellg();
  std::string bytes(static_cast<std::size_t>(file.information.size), '\0');
  in.seekg(0);
  const bool complete =
      static_cast<bool>(in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())));
  in.clear();
  in.seekg(position);
  if (!complete) return std::nullopt;
  return bytes;
}

class HostOutputFile : public OutputFile {
 public:
  HostOutputFile(std::ofstream out, std::optional<ReportFileFault> fault, int* failuresLeft)
      : out_(std::move(out)), fault_(fault), failuresLeft_(failuresLeft) {}

  long Write(const char* data, std::size_t size) override {
    std::size_t allowed = size;
    const bool fails = fault_ && *failuresLeft_ != 0 && written_ + size > fault_->failAfterBytes;
    // A full disk takes what still fits, then refuses the rest.
    if (fails) {
      allowed = static_cast<std::size_t>(fault_->failAfterBytes -
                                         std::min<std::uint64_t>(written_, fault_->failAfterBytes));
    }
    if (allowed > 0 && !out_.write(data, static_cast<std::streamsize>(allowed))) {
      return Win32ErrorOfErrno(errno);
    }
    written_ += allowed;
    if (!fails) return kErrorSuccess;
    if (*failuresLeft_ > 0) --*failuresLeft_;
    return fault_->errorCode;
  }

  long Close() override {
    out_.close();
    return out_.fail() ? Win32ErrorOfErrno(errno) : kErrorSuccess;
  }

 private:
  std::ofstream out_;
  std::optional<ReportFileFault> fault_;
  int* failuresLeft_;
  std::uint64_t written_ = 0;
};

/// A name as an MS-DOS program may write it: at most eight characters, a dot and three, none
/// of them blank or one that a short name cannot hold.
bool IsShortName(const std::string& name) {
  const std::size_t dot = name.find('.');
  const std::size_t baseLength = std::min(dot, name.size());
  if (baseLength == 0 || baseLength > 8) return false;
  if (dot != std::string::npos &&
      (name.size() - dot - 1 > 3 || name.find('.', dot + 1) != std::string::npos)) {
    return false;
  }
  return name.find_first_of(" +,;=[]") == std::string::npos;
}

/// The part of a short name before "~N": the long name upper-cased without blanks and dots,
/// its first six characters, and the first three of its extension after the last dot.
std::pair<std::string, std::string> ShortNameParts(const std::string& longName) {
  const std::size_t lastDot = longName.rfind('.');
  const auto cleaned = [](std::string_view text, std::size_t length) {
    std::string clean;
    for (const char c : text) {
      if (clean.size() == length) break;
      if (c == ' ' || c == '.') continue;
      clean +=
          std::string_view("+,;=[]").find(c) == std::string_view::npos ? UpcaseAnsiChar(c) : '_';
    }
    return clean;
  };
  const std::string_view name = longName;
  const bool hasExtension = lastDot != std::string::npos && lastDot > 0;
  return {cleaned(name.substr(0, hasExtension ? lastDot : name.size()), 6),
          hasExtension ? cleaned(name.substr(lastDot + 1), 3) : ""};
}

/// The entry of a host folder whose generated short name ("DOKUME~1") is wanted. Windows
/// numbers names of the same stem in the order they were made; the host keeps no such order,
/// so they are numbered in the order of their upper-cased names.
std::optional<fs::path> EntryOfShortName(const fs::path& folder, const std::string& wanted) {
  if (wanted.find('~') == std::string::npos) return std::nullopt;
  std::error_code ec;
  std::vector<std::pair<std::string, fs::path>> longNames;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = Utf8ToCp1252(entry.path().filename().string());
    if (!IsShortName(name)) longNames.emplace_back(UpcaseAnsi(name), entry.path());
  }
  std::sort(longNames.begin(), longNames.end());
  std::map<std::pair<std::string, std::string>, int> numbers;
  for (const auto& [upper, path] : longNames) {
    const auto parts = ShortNameParts(upper);
    const std::string shortName = parts.first + "~" + std::to_string(++numbers[parts]) +
                                  (parts.second.empty() ? "" : "." + parts.second);
    if (shortName == wanted) return path;
  }
  return std::nullopt;
}

}  // namespace

SimFiles::SimFiles(fs::path machineDir, const MachineConfig& config, SimRegistry& registry,
                   SimSystem& system)
    : machineDir_(std::move(machineDir)),
      config_(config),
      view_(Wow64ViewOf(config)),
      registry_(registry),
      system_(system) {
  if (config_.reportFileFault) reportFileFailuresLeft_ = config_.reportFileFault->failures;
  for (const auto& [normal, stated] : config_.files) {
    const std::size_t slash = normal.find_last_of('\\');
    if (stated.size && slash != std::string::npos) {
      statedFilesByFolder_[normal.substr(0, slash)].push_back(&stated);
    }
  }
}

std::string SimFiles::WindowsPathOf(const fs::path& host) const {
  const fs::path relative = host.lexically_relative(machineDir_);
  if (relative.empty()) return {};
  auto part = relative.begin();
  // drive_c is C:
  std::string path = UpcaseAscii(part->string().substr(part->string().size() - 1)) + ":";
  for (++part; part != relative.end(); ++part) path += "\\" + Utf8ToCp1252(part->string());
  return path;
}

SimFiles::Facts SimFiles::FactsOf(const fs::path& host) const {
  Facts facts;
  const std::optional<HostFacts> seen = LookAtHostPath(host);
  const bool folder = seen && seen->folder;
  facts.attributes = folder ? kFileAttributeDirectory : kFileAttributeArchive;
  if (seen && seen->link) facts.attributes |= kFileAttributeReparsePoint;
  if (seen) {
    facts.size = seen->size;
    facts.lastWriteTime = FileTimeOfHostTime(seen->lastWrite);
  }
  // Whatever spelling reached the file, machine.json names it by its long path.
  const auto stated = config_.files.find(NormalWindowsPath(WindowsPathOf(host)));
  if (stated == config_.files.end()) return facts;
  if (stated->second.attributes) {
    // A folder stays a folder whatever else its letters say.
    facts.attributes = *stated->second.attributes | (folder ? kFileAttributeDirectory : 0);
  }
  if (stated->second.lastWrite) {
    facts.lastWriteTime = FileTimeOfLocalTime(*stated->second.lastWrite, config_.utcOffsetMinutes);
  }
  facts.openError = stated->second.openError;
  if (stated->second.size && !folder) facts.size = *stated->second.size;
  return facts;
}

const SimFileFacts* SimFiles::StatedOnlyFile(const std::string& path) const {
  if (statedFilesByFolder_.empty()) return nullptr;
  const auto full = MachinePath(path);
  if (!full) return nullptr;
  const auto stated = config_.files.find(NormalWindowsPath(*full));
  if (stated == config_.files.end() || !stated->second.size) return nullptr;
  const auto folder = HostPathOfMachinePath(full->substr(0, full->find_last_of('\\') + 1));
  std::error_code ec;
  return folder && fs::is_directory(*folder, ec) ? &stated->second : nullptr;
}

SimFiles::Facts SimFiles::FactsOfStated(const SimFileFacts& stated) const {
  Facts facts;
  facts.attributes = stated.attributes.value_or(kFileAttributeArchive);
  if (stated.lastWrite) {
    facts.lastWriteTime = FileTimeOfLocalTime(*stated.lastWrite, config_.utcOffsetMinutes);
  }
  facts.size = stated.size.value_or(0);
  facts.openError = stated.openError;
  return facts;
}

bool SimFiles::InsideDrive(const fs::path& host, const fs::path& driveFolder) const {
  // A link may lead anywhere on the host; only what stays in the drive folder is the drive's.
  auto known = resolvedDrives_.find(driveFolder.string());
  if (known == resolvedDrives_.end()) {
    known = resolvedDrives_.emplace(driveFolder.string(), ResolvedHostPath(driveFolder)).first;
  }
  const std::string& drive = known->second;
  const std::string resolved = ResolvedHostPath(host);
  return !drive.empty() && resolved.starts_with(drive) &&
         (resolved.size() == drive.size() ||
          resolved[drive.size()] == fs::path::preferred_separator);
}

std::string SimFiles::CurrentDirectory() const {
  // A program started from its icon runs in some folder of the Windows drive.
  const std::string windows = config_.windowsDirectory.value_or("C:");
  return windows.size() >= 2 && windows[1] == ':' ? windows.substr(0, 2) + "\\" : "C:\\";
}

long SimFiles::GetFullPathNameA(const std::string& path, std::string& fullPath) {
  auto full = FullPathName(path, CurrentDirectory());
  if (!full) return kErrorInvalidName;
  fullPath = std::move(*full);
  return kErrorSuccess;
}

std::optional<std::string> SimFiles::MachinePath(const std::string& windowsPath) const {
  // A path without a drive letter depends on a current folder the machine does not have.
  if (windowsPath.size() < 2 || windowsPath[1] != ':') return std::nullopt;
  // The system resolves "/", "." and ".." before any file is looked at, never above the root.
  auto full = FullPathName(windowsPath, CurrentDirectory());
  if (!full || full->size() < 3 || (*full)[1] != ':') return std::nullopt;
  if (view_) return view_->FilePath(*full);
  return full;
}

std::optional<fs::path> SimFiles::HostPathOf(const std::string& windowsPath) const {
  const auto full = MachinePath(windowsPath);
  return full ? HostPathOfMachinePath(*full) : std::nullopt;
}

std::optional<fs::path> SimFiles::HostPathOfMachinePath(const std::string& machinePath) const {
  if (machinePath.size() < 3 || machinePath[1] != ':') return std::nullopt;
  const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(machinePath[0])));
  const fs::path driveFolder = machineDir_ / (std::string("drive_") + drive);
  fs::path host = driveFolder;
  std::vector<std::string> parts;
  std::size_t pos = 3;
  while (pos < machinePath.size()) {
    const std::size_t end = std::min(machinePath.find('\\', pos), machinePath.size());
    std::string part = machinePath.substr(pos, end - pos);
    pos = end + 1;
    // A name of dots that the resolution left would lead the host out of the drive folder.
    if (part == "." || part == "..") return std::nullopt;
    if (!part.empty()) parts.push_back(std::move(part));
  }
  std::error_code ec;
  // Most paths spell their names as the host does: one look finds the whole path.
  if (!parts.empty()) {
    fs::path exact = host;
    for (const std::string& part : parts) exact /= fs::u8path(Cp1252ToUtf8(part));
    if (fs::exists(exact, ec)) {
      return InsideDrive(exact, driveFolder) ? std::optional(exact) : std::nullopt;
    }
  }
  if (!fs::is_directory(host, ec)) return std::nullopt;
  for (const std::string& part : parts) {
    // The path's names are Windows-1252, the host's are UTF-8.
    const fs::path hostName = fs::u8path(Cp1252ToUtf8(part));
    if (fs::exists(host / hostName, ec)) {
      host /= hostName;
      continue;
    }
    const std::string wanted = UpcaseAnsi(part);
    bool found = false;
    if (fs::is_directory(host, ec)) {
      for (const auto& entry : fs::directory_iterator(host, ec)) {
        const std::string entryName = entry.path().filename().string();
        const std::string name = Utf8ToCp1252(entryName);
        // A name the code page cannot spell is reached by no path, as on Windows.
        if (Cp1252ToUtf8(name) == entryName && UpcaseAnsi(name) == wanted) {
          host = entry.path();
          found = true;
          break;
        }
      }
    }
    if (!found) {
      const auto shortNamed = EntryOfShortName(host, wanted);
      if (!shortNamed) return std::nullopt;
      host = *shortNamed;
    }
  }
  return InsideDrive(host, driveFolder) ? std::optional(host) : std::nullopt;
}

long SimFiles::MissingFileError(const std::string& path) const {
  const std::string full = MachinePath(path).value_or("");
  const std::size_t slash = full.find_last_of('\\');
  if (slash == std::string::npos) return kErrorPathNotFound;
  const auto folder = HostPathOfMachinePath(full.substr(0, slash + 1));
  std::error_code ec;
  return folder && fs::is_directory(*folder, ec) ? kErrorFileNotFound : kErrorPathNotFound;
}

bool SimFiles::FileExists(const std::string& path) {
  const auto host = HostPathOf(path);
  std::error_code ec;
  std::optional<Facts> facts;
  if (host) {
    if (fs::is_regular_file(*host, ec)) facts = FactsOf(*host);
  } else if (const SimFileFacts* stated = StatedOnlyFile(path)) {
    facts = FactsOfStated(*stated);
  }
  if (!facts) return false;
  // MS-DOS dates run from 1980 to 2107, in local time.
  const SystemTime local = LocalTimeOfFileTime(facts->lastWriteTime, config_.utcOffsetMinutes);
  return local.year >= 1980 && local.year <= 2107;
}

long SimFiles::OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) {
  // A scan opens the files its listing just showed: what the listing saw saves looking again.
  if (auto listed = listed_.extract(path)) {
    const ListedFile& seen = listed.mapped();
    if (OpenHostFile(path, seen.host, seen.facts, file) == kErrorSuccess) return kErrorSuccess;
  }
  const auto host = HostPathOf(path);
  if (host) return OpenHostFile(path, *host, FactsOf(*host), file);
  const SimFileFacts* stated = StatedOnlyFile(path);
  if (!stated) return MissingFileError(path);
  const Facts facts = FactsOfStated(*stated);
  if ((facts.attributes & kFileAttributeDirectory) != 0) return kErrorAccessDenied;
  if (facts.openError != kErrorSuccess) return facts.openError;
  file = std::make_unique<StatedInputFile>(
      FileInformation{facts.attributes, facts.lastWriteTime, facts.size});
  return kErrorSuccess;
}

long SimFiles::OpenHostFile(const std::string& path, const fs::path& host, const Facts& facts,
                            std::unique_ptr<InputFile>& file) {
  // Windows refuses to open a folder as a file.
  if ((facts.attributes & kFileAttributeDirectory) != 0) return kErrorAccessDenied;
  if (facts.openError != kErrorSuccess) return facts.openError;
  std::ifstream in(host, std::ios::binary);
  if (!in) return errno == ENOENT ? kErrorFileNotFound : Win32ErrorOfErrno(errno);
  auto open = std::make_shared<SimOpenFile>(
      SimOpenFile{path, host, std::move(in),
                  FileInformation{facts.attributes, facts.lastWriteTime, facts.size}});
  lastOpened_ = open;
  file = std::make_unique<HostInputFile>(std::move(open));
  return kErrorSuccess;
}

long SimFiles::GetFileAttributesA(const std::string& path, std::uint32_t& attributes) {
  const auto host = HostPathOf(path);
  if (host) {
    attributes = FactsOf(*host).attributes;
  } else if (const SimFileFacts* stated = StatedOnlyFile(path)) {
    attributes = FactsOfStated(*stated).attributes;
  } else {
    return MissingFileError(path);
  }
  return kErrorSuccess;
}

long SimFiles::ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) {
  entries.clear();
  listed_.clear();
  const auto host = HostPathOf(folder);
  std::error_code ec;
  if (!host || !fs::is_directory(*host, ec)) return kErrorPathNotFound;
  const Facts folderFacts = FactsOf(*host);
  if (folderFacts.openError != kErrorSuccess) return folderFacts.openError;
  // HostPathOf found it, so the path resolves to one on a drive.
  const std::string full = *FullPathName(folder, CurrentDirectory());
  // Every folder but a drive's root lists itself and its parent first.
  const bool root = full.size() == 3;
  if (!root) {
    for (const char* dot : {".", ".."}) {
      entries.push_back({dot, kFileAttributeDirectory, folderFacts.lastWriteTime, 0});
    }
  }
  const std::size_t firstEntry = entries.size();
  const std::string listedFolder = ListedFolderPath(full) + "\\";
  for (const auto& entry : fs::directory_iterator(*host, ec)) {
    const std::string name = Utf8ToCp1252(entry.path().filename().string());
    const Facts facts = FactsOf(entry.path());
    entries.push_back({name, facts.attributes, facts.lastWriteTime, facts.size});
    // A name the code page cannot spell ('?' in the listing) opens nothing, as on Windows.
    if ((facts.attributes & kFileAttributeDirectory) == 0 &&
        Cp1252ToUtf8(name) == entry.path().filename().string()) {
      listed_.emplace(listedFolder + name, ListedFile{entry.path(), facts});
    }
  }
  AddStatedFiles(NormalWindowsPath(*MachinePath(full)), firstEntry, entries);
  // NTFS hands entries out ordered by upper-cased name.
  std::sort(entries.begin() + static_cast<std::ptrdiff_t>(firstEntry), entries.end(),
            [](const FolderEntryData& a, const FolderEntryData& b) {
              return CompareUpcased(a.name, b.name) < 0;
            });
  return kErrorSuccess;
}

void SimFiles::AddStatedFiles(const std::string& folder, std::size_t firstEntry,
                              std::vector<FolderEntryData>& entries) const {
  const auto stated = statedFilesByFolder_.find(folder);
  if (stated == statedFilesByFolder_.end()) return;
  // A host file of the same name is the file; its facts are already listed.
  std::unordered_set<std::string> onHost;
  for (std::size_t i = firstEntry; i < entries.size(); ++i)
    onHost.insert(UpcaseAnsi(entries[i].name));
  for (const SimFileFacts* file : stated->second) {
    const std::string name = file->path.substr(file->path.find_last_of("\\/") + 1);
    if (name.empty() || onHost.contains(UpcaseAnsi(name))) continue;
    const Facts facts = FactsOfStated(*file);
    entries.push_back({name, facts.attributes, facts.lastWriteTime, facts.size});
  }
}

std::optional<std::string> SimFiles::ReadBytes(const std::string& path) const {
  // A file the program holds open right now is read through its open handle.
  if (const auto open = lastOpened_.lock(); open && open->windowsPath == path) {
    return WholeFile(*open);
  }
  const auto host = HostPathOf(path);
  if (!host) return std::nullopt;
  // Only a plain file has a size.
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(*host, ec);
  if (ec) return std::nullopt;
  std::ifstream in(*host, std::ios::binary);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
  return bytes;
}

long SimFiles::ModuleBytes(const std::string& path, std::optional<FileBytes>& bytes) {
  // Opened first, so that a file that refuses opens refuses this as well.
  std::unique_ptr<InputFile> file;
  if (const long error = OpenInputFile(path, file); error != kErrorSuccess) return error;
  const auto host = HostPathOf(path);
  bytes = host ? HostFileBytes(*host) : std::nullopt;
  return bytes ? kErrorSuccess : kErrorReadFault;
}

long SimFiles::GetFileVersionInfoA(const std::string& path, std::string& block) {
  // The file the program holds open right now needs no looking up.
  const auto open = lastOpened_.lock();
  const bool held = open && open->windowsPath == path;
  const auto host = held ? std::optional(open->host) : HostPathOf(path);
  const SimFileFacts* stated = host ? nullptr : StatedOnlyFile(path);
  if (stated) {
    if (!stated->versionInfo) return kErrorResourceTypeNotFound;
    block = *stated->versionInfo;
    return kErrorSuccess;
  }
  const std::optional<FileBytes> bytes = host ? HostFileBytes(*host) : std::nullopt;
  if (!bytes) return MissingFileError(path);
  auto found = VersionInfoBlock(*bytes, config_.userLanguage);
  if (!found) return bytes->ReadFailed() ? kErrorReadFault : kErrorResourceTypeNotFound;
  block = std::move(*found);
  return kErrorSuccess;
}

std::optional<std::string> SimFiles::VerQueryValueA(std::string& block,
                                                    const std::string& subBlock) {
  return QueryVersionValue(block, subBlock);
}

std::string SimFiles::GetPrivateProfileStringA(const std::optional<std::string>& section,
                                               const std::optional<std::string>& key,
                                               const std::string& defaultText, std::size_t size,
                                               const std::string& path) {
  if (section && HasIniFileMapping(path)) {
    if (const auto mapped = MappedSectionText(path, *section)) {
      return IniFile(*mapped).ProfileString(section, key, defaultText, size);
    }
  }
  return ParsedIniFile(path).ProfileString(section, key, defaultText, size);
}

const IniFile& SimFiles::ParsedIniFile(const std::string& path) {
  // A dump asks once per key: the file is found, read and parsed once, and again only when it
  // changed (or is gone) since.
  if (const auto cached = iniFiles_.find(path); cached != iniFiles_.end()) {
    const std::optional<HostFacts> seen = LookAtHostPath(cached->second.host);
    if (seen && !seen->folder && cached->second.size == seen->size &&
        cached->second.lastWrite == seen->lastWrite) {
      return cached->second.file;
    }
    iniFiles_.erase(cached);
  }
  const auto host = HostPathOf(path);
  const std::optional<HostFacts> seen = host ? LookAtHostPath(*host) : std::nullopt;
  if (!seen || seen->folder) return missingIniFile_;
  if (iniFiles_.size() >= kCachedIniFiles) iniFiles_.clear();
  CachedIniFile parsed{*host, seen->size, seen->lastWrite, IniFile(ReadBytes(path).value_or(""))};
  return iniFiles_.insert_or_assign(path, std::move(parsed)).first->second.file;
}

bool SimFiles::HasIniFileMapping(const std::string& path) {
  // The registry does not change while the program reads it: one look per file will do.
  if (const auto known = iniFileMappings_.find(path); known != iniFileMappings_.end()) {
    return known->second;
  }
  if (iniFileMappings_.size() >= kCachedIniFiles) iniFileMappings_.clear();
  // Only NT maps sections of the Windows folder's INI files into the registry.
  bool mapped = config_.version && config_.version->platformId == kPlatformNt &&
                config_.windowsDirectory &&
                NormalWindowsPath(FolderPart(path)) == NormalWindowsPath(*config_.windowsDirectory);
  if (mapped) {
    TRegistry mapping(registry_);
    mapping.SelectRoot(kHKeyLocalMachine);
    mapped = mapping.OpenRead(std::string(kIniFileMappingKey) + std::string(FileNamePart(path)));
  }
  iniFileMappings_.emplace(path, mapped);
  return mapped;
}

std::optional<std::string> SimFiles::MappedSectionText(const std::string& path,
                                                       const std::string& section) const {
  TRegistry mapping(registry_);
  mapping.SelectRoot(kHKeyLocalMachine);
  if (!mapping.OpenRead(std::string(kIniFileMappingKey) + std::string(FileNamePart(path))) ||
      mapping.KindOf(section) != ValueKind::String) {
    return std::nullopt;
  }
  std::string target = mapping.ReadText(section);
  // "!", "#" and "@" only say how writes and first reads go; the program only reads.
  target.erase(0, target.find_first_not_of("!#@"));
  TRegistry values(registry_);
  if (UpcaseAscii(target).starts_with("USR:")) {
    values.SelectRoot(kHKeyCurrentUser);
    target = "\\" + target.substr(4);
  } else if (UpcaseAscii(target).starts_with("SYS:")) {
    values.SelectRoot(kHKeyLocalMachine);
    target = "\\SOFTWARE\\" + target.substr(4);
  } else {
    return std::nullopt;
  }
  // A mapped key that does not exist leaves the section to the file.
  if (!values.OpenRead(target)) return std::nullopt;
  // The section as an INI text of its own, so that its lists and values follow the same rules
  // as a file's.
  std::string text = "[" + section + "]\r\n";
  std::vector<std::string> names;
  values.ValueNames(names);
  for (const std::string& name : names) {
    if (!name.empty() && values.KindOf(name) == ValueKind::String) {
      text += name + "=" + values.ReadText(name) + "\r\n";
    }
  }
  return text;
}

ShellLinkAnswers SimFiles::ReadShellLink(const std::string& path) {
  ShellLinkAnswers answers;
  const auto host = HostPathOf(path);
  const std::string bytes = host ? HostFileStart(*host, kShortcutReadLimit) : std::string();
  const auto texts = kdx::ReadShellLink(bytes, [&](const std::string& text) {
    return system_.ExpandEnvironmentStringsA(text).value_or(text);
  });
  if (!texts) return answers;
  // Once the file is loaded, none of the link's texts can fail.
  answers.loaded = true;
  answers.path = texts->path;
  answers.description = texts->description;
  answers.workingDirectory = texts->workingDirectory;
  answers.arguments = texts->arguments;
  return answers;
}

long SimFiles::CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) {
  // The report goes to the host's file system, whose names are Unicode.
  const fs::path hostPath = fs::u8path(Cp1252ToUtf8(path));
  std::error_code ec;
  if (path.empty() || fs::is_directory(hostPath, ec)) return kErrorAccessDenied;
  errno = 0;
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) return Win32ErrorOfErrno(errno);
  file = std::make_unique<HostOutputFile>(std::move(out), config_.reportFileFault,
                                          &reportFileFailuresLeft_);
  return kErrorSuccess;
}

long SimFiles::CreateDirectoryA(const std::string& path) {
  // The folder goes to the host's file system, as the report does.
  const fs::path hostPath = fs::u8path(Cp1252ToUtf8(path));
  std::error_code ec;
  if (path.empty()) return kErrorPathNotFound;
  if (fs::exists(hostPath, ec)) return kErrorAlreadyExists;
  if (!fs::create_directory(hostPath, ec)) return Win32ErrorOfErrno(ec.value());
  return kErrorSuccess;
}

}  // namespace kdx
