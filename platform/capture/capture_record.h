#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/services_processes.h"
#include "platform/spooler.h"
#include "platform/system_facts.h"

namespace kdx {

/// A token as the run saw it: the error of its open, or its groups.
struct CapturedToken {
  long openError = 0;
  std::optional<std::vector<Sid>> groups;  ///< nothing: every group query failed
};

struct CapturedDrive {
  std::uint32_t type = kDriveNoRootDir;
  std::optional<DiskFreeSpace> space;
  std::optional<DiskClusters> clusters;
};

struct CapturedService {
  std::string displayName;
  std::uint32_t state = kServiceStopped;
  long openError = 0;   ///< OpenServiceA's error (kErrorAccessDenied recorded as no access)
  long queryError = 0;  ///< QueryServiceStatus's error
};

struct CapturedProcess {
  std::uint32_t id = 0;
  std::string path;
  long openError = 0;
  long modulesError = 0;
  long pathError = 0;
};

/// Why the capture keeps a file of the machine: only its facts (listed, opened without
/// reading, its version resource asked for), or its bytes.
enum class FileUse { Listed, Described, Copied };

/// A file or folder the run asked about, by the path it used.
struct CapturedFile {
  std::string path;  ///< as the run spelt it, or as its folder's listing names it
  bool folder = false;
  FileUse use = FileUse::Listed;
  std::optional<std::uint32_t> attributes;
  std::optional<std::uint64_t> lastWriteTime;  ///< 100 ns since 1601, UTC
  std::optional<std::uint64_t> size;
  long openError = 0;                       ///< 5 or 32: every open fails so
  std::optional<std::string> versionBlock;  ///< as GetFileVersionInfoA gave it
};

/// Everything the run asked the machine and what it answered, in the shape the machine
/// directory states it. Paths and names are Windows-1252.
struct CaptureRecord {
  // System facts.
  std::optional<std::string> windowsDirectory;
  std::optional<std::string> systemDirectory;
  std::optional<OsVersionInfo> version;
  NativeMachine nativeMachine = NativeMachine::kNone;
  std::optional<std::string> userName;
  std::optional<SystemTime> localTime;
  std::optional<LocaleFormats> locale;
  std::optional<CapturedToken> threadToken;
  std::optional<CapturedToken> processToken;
  std::map<std::string, std::string> environment;  ///< by upper-cased name: name, value
  std::map<std::uint32_t, std::string> messages;
  std::optional<int> utcOffsetMinutes;
  std::optional<MemoryStatus> memory;
  std::optional<std::uint32_t> driveMask;
  std::map<std::string, CapturedDrive> drives;  ///< by upper-cased root
  std::optional<bool> hasDiskFreeSpaceEx;

  // Registry: the keys the run opened, by upper-cased full path, and whether it listed
  // their subkeys.
  struct Key {
    std::string path;  ///< "HKEY_LOCAL_MACHINE\\SOFTWARE\\..."
    bool subkeysListed = false;
  };
  std::map<std::string, Key> keys;
  std::set<std::string> unopenedKeys;  ///< upper-cased full paths whose open failed

  // Files, by upper-cased normal path, and the INI files' names the run read profiles of.
  std::map<std::string, CapturedFile> files;
  std::set<std::string> iniFileNames;

  // Services and processes.
  std::optional<long> managerError;
  std::optional<long> enumServicesError;
  std::vector<std::string> serviceOrder;  ///< upper-cased names, the manager's order
  std::map<std::string, std::pair<std::string, CapturedService>> services;  ///< name, facts
  std::optional<long> enumProcessesError;
  std::optional<long> snapshotError;
  std::vector<CapturedProcess> processes;
  std::map<std::string, long> mutexes;  ///< name (with case): the open's error
  long privilegeTokenError = 0;
  long privilegeLookupError = 0;
  bool privilegeHeld = true;

  // Spooler.
  std::vector<long> enumPortsErrors;
  std::vector<PortInfo2> ports;
  long enumPrintersError = 0;
  std::vector<PrinterEntry> printers;

  // Event logs: each log's records as ReadEventLogA gave them, newest first.
  std::map<std::string, std::vector<std::string>> eventRecords;
  std::set<std::string> messageFiles;  ///< as LoadLibraryExA was asked
};

}  // namespace kdx
