#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/machine/machine_facts.h"
#include "platform/registry_store.h"
#include "platform/system_facts.h"
#include "platform/wow64_view.h"

namespace kdx {

/// An access token as machine.json describes it: its groups, or the error its open gives.
struct SimToken {
  long openError = kErrorSuccess;          ///< not kErrorSuccess: opening fails with this code
  std::optional<std::vector<Sid>> groups;  ///< nothing: the group query fails
  bool operator==(const SimToken&) const = default;
};

/// How the report file misbehaves, for tests of failures while writing.
struct ReportFileFault {
  std::uint64_t failAfterBytes = 0;
  long errorCode = kErrorDiskFull;  ///< the Win32 error code of the failing writes
  int failures = -1;  ///< how many writes fail before the file recovers; -1: all of them
  bool operator==(const ReportFileFault&) const = default;
};

/// What machine.json states of a file or folder on a simulated drive.
struct SimFileFacts {
  std::string path;                         ///< as machine.json spells it
  std::optional<SystemTime> lastWrite;      ///< local time; nothing: the host file's own time
  std::optional<std::uint32_t> attributes;  ///< nothing: archive for files, folder for folders
  long openError = kErrorSuccess;  ///< opening the file, or listing the folder, fails with this
  /// The file's size; with it the file need not be in the drive folder (a capture states the
  /// files whose bytes the run never read so).
  std::optional<std::uint64_t> size;
  /// The version resource of a file stated by its size alone, as GetFileVersionInfoA gives it.
  std::optional<std::string> versionInfo;
  bool operator==(const SimFileFacts&) const = default;
};

/// Everything of a simulated machine that is neither registry nor files (machine.json).
/// Texts are held in Windows-1252.
struct MachineConfig {
  std::optional<std::string> windowsDirectory;  ///< nothing: the query fails
  std::optional<std::string> systemDirectory;
  std::optional<OsVersionInfo> version;
  /// The processor of a 64-bit Windows, which shows its files and registry to the program as
  /// WOW64 shows them to a 32-bit one; kNone for a 32-bit Windows.
  NativeMachine nativeMachine = NativeMachine::kNone;
  std::optional<std::string> userName;
  SimToken threadToken{kErrorNoToken, std::nullopt};
  SimToken processToken;
  std::vector<std::pair<std::string, std::string>> environment;
  std::optional<SystemTime> localTime;  ///< nothing: the host's clock
  LocaleFormats locale;
  int utcOffsetMinutes = 0;             ///< local time minus UTC, for file times
  std::uint16_t userLanguage = 0x0407;  ///< the user's language, for resources of several
  std::map<std::uint32_t, std::string> messages;
  std::vector<std::pair<std::string, std::vector<std::uint32_t>>> registryAccess;
  std::optional<ReportFileFault> reportFileFault;
  /// By NormalWindowsPath.
  std::map<std::string, SimFileFacts> files;
  MemoryStatus memory;
  SimDrives drives;
  SimServices services;
  SimProcesses processes;
  std::vector<SimMutex> mutexes;
  SimShutdownPrivilege shutdownPrivilege;
  SimSpoolerLists spooler;
  bool operator==(const MachineConfig&) const = default;
};

/// Parses machine.json (UTF-8). Throws MachineError naming fileName, the line and what was
/// expected there.
MachineConfig ParseMachineJson(std::string_view text, const std::string& fileName);

/// How the machine's files and registry show to the program: WOW64's view on a 64-bit Windows
/// (of the machine's version and Windows folder), nothing on a 32-bit one.
std::optional<Wow64View> Wow64ViewOf(const MachineConfig& config);

/// A Windows path as the simulated machine knows its files by: upper case, '/' taken as '\',
/// consecutive backslashes as one, no trailing backslash.
std::string NormalWindowsPath(std::string_view path);

/// The attribute bits of letters as machine.json writes them ("AHR"; "N" for normal).
std::optional<std::uint32_t> ParseAttributeLetters(std::string_view letters);

/// The letters of attribute bits as machine.json writes them; "N" when none has a letter.
std::string AttributeLettersOf(std::uint32_t attributes);

/// Parses a SID in its text form "S-1-5-32-544"; nothing when malformed.
std::optional<Sid> ParseSid(std::string_view text);

/// The system message texts a German Windows gives for the codes the program can meet.
const std::map<std::uint32_t, std::string>& GermanSystemMessages();

}  // namespace kdx
