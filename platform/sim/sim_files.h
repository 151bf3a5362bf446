#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_system.h"
#include "platform/formats/file_bytes.h"
#include "platform/formats/ini_file.h"
#include "platform/machine/machine_config.h"

namespace kdx {

class SimRegistry;
class SimSystem;
struct SimOpenFile;

/// The files of a simulated machine: one host folder per drive (drive_c/ for C:\), with the
/// times, attributes and failures machine.json states for them; the report file goes to the
/// host's file system.
class SimFiles final : public FileSystem {
 public:
  SimFiles(std::filesystem::path machineDir, const MachineConfig& config, SimRegistry& registry,
           SimSystem& system);

  bool FileExists(const std::string& path) override;
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override;
  long GetFullPathNameA(const std::string& path, std::string& fullPath) override;
  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override;
  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override;
  long GetFileVersionInfoA(const std::string& path, std::string& block) override;
  std::optional<std::string> VerQueryValueA(std::string& block,
                                            const std::string& subBlock) override;
  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override;
  ShellLinkAnswers ReadShellLink(const std::string& path) override;
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override;
  long CreateDirectoryA(const std::string& path) override;

  /// The bytes of a file of the machine, as a module is mapped: opened as OpenInputFile opens
  /// it (its error when that fails), then read only where its readers look.
  long ModuleBytes(const std::string& path, std::optional<FileBytes>& bytes);

  /// The host path of a Windows path on a simulated drive, led where MachinePath leads it
  /// and matched without regard to case and by generated 8.3 names (DOKUME~1) as well;
  /// nothing when a part of it does not exist or a host link leads out of the drive.
  std::optional<std::filesystem::path> HostPathOf(const std::string& windowsPath) const;

  /// Where a Windows path leads on the machine: resolved as GetFullPathNameA resolves it, and
  /// on a 64-bit Windows sent where WOW64 sends a 32-bit program (Wow64View::FilePath);
  /// nothing for a path without a drive.
  std::optional<std::string> MachinePath(const std::string& windowsPath) const;

 private:
  /// HostPathOf for a path MachinePath has made.
  std::optional<std::filesystem::path> HostPathOfMachinePath(const std::string& machinePath) const;
  /// What a host file or folder shows on the simulated machine.
  struct Facts {
    std::uint32_t attributes = 0;
    std::uint64_t lastWriteTime = 0;
    std::uint64_t size = 0;
    long openError = kErrorSuccess;
  };
  Facts FactsOf(const std::filesystem::path& host) const;
  /// What machine.json states of a file at a path no host file answers to, when it states
  /// the file's size and its folder is on the drive: such a file lists, opens and tells its
  /// facts and version resource, but holds no bytes.
  const SimFileFacts* StatedOnlyFile(const std::string& path) const;
  Facts FactsOfStated(const SimFileFacts& stated) const;
  /// Adds the files stated by their size in folder (a NormalWindowsPath) to its listing's
  /// entries from firstEntry on, where no host file of the same name is listed.
  void AddStatedFiles(const std::string& folder, std::size_t firstEntry,
                      std::vector<FolderEntryData>& entries) const;
  /// A file of the last listing, with the facts the listing saw.
  struct ListedFile {
    std::filesystem::path host;
    Facts facts;
  };
  long OpenHostFile(const std::string& path, const std::filesystem::path& host, const Facts& facts,
                    std::unique_ptr<InputFile>& file);
  /// The long Windows path of a host path on a simulated drive: C:\WINDOWS\win.ini.
  std::string WindowsPathOf(const std::filesystem::path& host) const;
  /// The folder relative paths start from: the root of the Windows folder's drive.
  std::string CurrentDirectory() const;
  /// True when host, links followed, lies in driveFolder.
  bool InsideDrive(const std::filesystem::path& host,
                   const std::filesystem::path& driveFolder) const;
  /// kErrorFileNotFound when the folder of path exists, else kErrorPathNotFound.
  long MissingFileError(const std::string& path) const;
  /// True on NT for an INI file of the Windows folder that IniFileMapping names.
  bool HasIniFileMapping(const std::string& path);
  /// A section of an INI file that HasIniFileMapping says is mapped, when IniFileMapping sends
  /// it to the registry, as the text of an INI file of that one section; nothing when it is
  /// the file's.
  std::optional<std::string> MappedSectionText(const std::string& path,
                                               const std::string& section) const;
  /// The INI file at path, parsed once and again only when its size or time changed; an
  /// empty one when it is missing.
  const IniFile& ParsedIniFile(const std::string& path);
  /// The bytes of a file of the machine; nothing when it cannot be read.
  std::optional<std::string> ReadBytes(const std::string& path) const;

  std::filesystem::path machineDir_;
  const MachineConfig& config_;
  std::optional<Wow64View> view_;
  SimRegistry& registry_;
  SimSystem& system_;
  int reportFileFailuresLeft_ = 0;
  /// The file last opened for reading, while its holder keeps it open.
  std::weak_ptr<SimOpenFile> lastOpened_;
  /// The files of the last folder listed, by the paths a scan of it gives them (folder as
  /// listed, a backslash, the name). Each serves the first open of its path only and the next
  /// listing drops them all, so no later question gets facts older than the scan in hand.
  std::unordered_map<std::string, ListedFile> listed_;
  /// A parsed INI file with the size and time of the host file it was read from.
  struct CachedIniFile {
    std::filesystem::path host;
    std::uint64_t size = 0;
    std::filesystem::file_time_type lastWrite;
    IniFile file;
  };
  /// The INI files read, by the path the program names them with.
  std::unordered_map<std::string, CachedIniFile> iniFiles_;
  /// HasIniFileMapping's answers, by path.
  std::unordered_map<std::string, bool> iniFileMappings_;
  const IniFile missingIniFile_{std::string_view()};
  /// The files machine.json states by their size, by their folder's NormalWindowsPath.
  std::unordered_map<std::string, std::vector<const SimFileFacts*>> statedFilesByFolder_;
  /// Each drive folder's host path with links followed, found on first need.
  mutable std::unordered_map<std::string, std::string> resolvedDrives_;
};

}  // namespace kdx
