#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

/// The OSVERSIONINFOA record (its size field is implied).
struct OsVersionInfo {
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
  std::string servicePack;  ///< at most 127 bytes
  bool operator==(const OsVersionInfo&) const = default;
};

/// The SYSTEMTIME record.
struct SystemTime {
  std::uint16_t year = 0;
  std::uint16_t month = 0;
  std::uint16_t dayOfWeek = 0;
  std::uint16_t day = 0;
  std::uint16_t hour = 0;
  std::uint16_t minute = 0;
  std::uint16_t second = 0;
  std::uint16_t milliseconds = 0;
  bool operator==(const SystemTime&) const = default;
};

/// A security identifier: identifier authority and sub-authorities.
struct Sid {
  std::uint64_t authority = 0;  ///< the six authority bytes as one number
  std::vector<std::uint32_t> subAuthorities;
  bool operator==(const Sid&) const = default;
};

/// The user locale's date and time formats.
struct LocaleFormats {
  std::string shortDate = "dd.MM.yyyy";
  std::string longTime = "HH:mm:ss";
  std::string timeSeparator = ":";
  bool operator==(const LocaleFormats&) const = default;
};

/// The figures of the MEMORYSTATUS record that the report shows, in bytes.
struct MemoryStatus {
  std::uint32_t totalPhys = 0;
  std::uint32_t availPhys = 0;
  std::uint32_t totalPageFile = 0;
  std::uint32_t availPageFile = 0;
  bool operator==(const MemoryStatus&) const = default;
};

/// What GetDiskFreeSpaceExA tells about a drive, in bytes.
struct DiskFreeSpace {
  std::int64_t freeAvailable = 0;  ///< free to the calling user
  std::int64_t total = 0;
  std::int64_t totalFree = 0;
  bool operator==(const DiskFreeSpace&) const = default;
};

/// What GetDiskFreeSpaceA tells about a drive.
struct DiskClusters {
  std::uint32_t sectorsPerCluster = 0;
  std::uint32_t bytesPerSector = 0;
  std::uint32_t freeClusters = 0;
  std::uint32_t totalClusters = 0;
  bool operator==(const DiskClusters&) const = default;
};

/// GetDriveTypeA's answer for a root that names no drive.
inline constexpr std::uint32_t kDriveNoRootDir = 1;
/// SetErrorMode: the system shows no critical-error dialog (no medium in a drive, say).
inline constexpr std::uint32_t kSemFailCriticalErrors = 1;

/// ExpandEnvironmentStringsA takes at most 32,766 characters: its source becomes a counted
/// UTF-16 string of at most 65,535 bytes with its NUL. Longer texts crash the call on some
/// systems and wrap its count on others, so they count as a failed expansion everywhere.
inline constexpr std::size_t kExpandSourceLimit = 32766;

/// CompareStringA's results.
inline constexpr int kCompareFailed = 0;
inline constexpr int kCompareLessThan = 1;
inline constexpr int kCompareEqual = 2;
inline constexpr int kCompareGreaterThan = 3;

/// The processor of a 64-bit Windows, which runs the (32-bit) program under WOW64.
enum class NativeMachine : std::uint8_t {
  kNone,  ///< a 32-bit Windows, or one whose processor is none of the others
  kX64,
  kArm64,
  kIa64,
};

/// An access token opened for query; closing happens on destruction.
class AccessToken {
 public:
  virtual ~AccessToken() = default;
  /// GetTokenInformation(TokenGroups) into a buffer of bufferSize bytes: the group SIDs in
  /// list order, or nothing when the query fails or the list needs more than bufferSize bytes.
  virtual std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) = 0;
};

/// What the system tells about itself: folders, version, clock, locale, user, tokens,
/// environment, message texts, memory and drives.
///
/// Failure style: results as Win32 gives them. A query that returns 0 on Windows gives
/// nothing here; where a caller tells failures apart (the token opens), the Win32 error code
/// comes with it. No call raises: the collectors decide what a failed query costs.
class SystemFacts {
 public:
  virtual ~SystemFacts() = default;

  /// The Windows folder without trailing backslash (except for a drive root); nothing on failure.
  virtual std::optional<std::string> GetWindowsDirectoryA() = 0;
  /// The system folder, as GetWindowsDirectoryA.
  virtual std::optional<std::string> GetSystemDirectoryA() = 0;
  /// The operating system version; nothing when the query fails.
  virtual std::optional<OsVersionInfo> GetVersionExA() = 0;
  /// The local date and time.
  virtual SystemTime GetLocalTime() = 0;
  /// The user locale's date and time formats.
  virtual LocaleFormats GetLocaleFormats() = 0;
  /// The name of the user running the program; nothing when it cannot be read.
  virtual std::optional<std::string> GetUserNameA() = 0;
  /// The calling thread's token opened for query as self; null with error set on failure
  /// (kErrorNoToken when the thread has no token of its own).
  virtual std::unique_ptr<AccessToken> OpenThreadToken(long& error) = 0;
  /// The process's token opened for query; null with error set on failure.
  virtual std::unique_ptr<AccessToken> OpenProcessToken(long& error) = 0;
  /// An environment variable's value; nothing when it is not set.
  virtual std::optional<std::string> GetEnvironmentVariableA(const std::string& name) = 0;
  /// The text with %NAME% references expanded, cut at 63999 bytes; nothing when the call
  /// returns 0, and for a text longer than kExpandSourceLimit.
  virtual std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) = 0;
  /// The system's raw message text for an error code (FormatMessageA, system language).
  virtual std::string FormatMessageA(std::uint32_t code) = 0;
  /// CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, b): kCompareLessThan,
  /// kCompareEqual or kCompareGreaterThan as the user locale orders the texts without case.
  virtual int CompareStringA(const std::string& a, const std::string& b) = 0;
  /// A file time (100 ns since 1601, UTC) as local calendar date and time
  /// (FileTimeToLocalFileTime, then FileTimeToSystemTime); nothing when either fails.
  virtual std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) = 0;

  /// The processor of the 64-bit Windows that runs the program under WOW64: IsWow64Process2's
  /// native machine where kernel32 has it (Windows 10 1709 and later, and the only one that
  /// tells ARM64 to an x86 program), else GetNativeSystemInfo's processor architecture when
  /// IsWow64Process says TRUE. kNone on 32-bit Windows, where kernel32 has neither call or the
  /// calls fail, and for a processor other than x64, ARM64 or IA64.
  virtual NativeMachine GetNativeMachine() = 0;

  /// GlobalMemoryStatus with a record of 32 bytes; cannot fail.
  virtual MemoryStatus GlobalMemoryStatus() = 0;
  /// The present drives as a bit mask, bit 0 = A.
  virtual std::uint32_t GetLogicalDrives() = 0;
  /// The type code (0 to 6) of a root path, C:\ for drive C; kDriveNoRootDir for no drive.
  virtual std::uint32_t GetDriveTypeA(const std::string& root) = 0;
  /// True when kernel32 exports GetDiskFreeSpaceExA (the first Windows 95 does not).
  virtual bool HasGetDiskFreeSpaceExA() = 0;
  /// The space figures of a root path; nothing when the drive cannot be queried (no medium,
  /// an unreachable share) or kernel32 lacks the call.
  virtual std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) = 0;
  /// The cluster figures of a root path; nothing when the drive cannot be queried.
  virtual std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) = 0;
  /// Sets the process's error mode; returns the previous one.
  virtual std::uint32_t SetErrorMode(std::uint32_t mode) = 0;
};

}  // namespace kdx
