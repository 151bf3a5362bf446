#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

/// A registry key handle: one of the predefined roots or a key the store opened.
using RegKey = std::uintptr_t;

inline constexpr RegKey kHKeyClassesRoot = 0x80000000;
inline constexpr RegKey kHKeyCurrentUser = 0x80000001;
inline constexpr RegKey kHKeyLocalMachine = 0x80000002;
inline constexpr RegKey kHKeyUsers = 0x80000003;
inline constexpr RegKey kHKeyCurrentConfig = 0x80000005;

/// Registry value type codes.
inline constexpr std::uint32_t kRegNone = 0;
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegExpandSz = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;
inline constexpr std::uint32_t kRegMultiSz = 7;

/// Registry access masks.
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyReadControlQueryEnumerate = 0x20009;
inline constexpr std::uint32_t kKeyQueryValue = 0x1;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

/// Win32 error codes the program looks at.
inline constexpr long kErrorSuccess = 0;
inline constexpr long kErrorFileNotFound = 2;
inline constexpr long kErrorAccessDenied = 5;
inline constexpr long kErrorInvalidHandle = 6;
inline constexpr long kErrorMoreData = 234;
inline constexpr long kErrorNoMoreItems = 259;
inline constexpr long kErrorNoToken = 1008;

/// What RegQueryInfoKeyA tells about a key.
struct RegKeyInfo {
  std::uint32_t subKeys = 0;
  std::uint32_t maxSubKeyLen = 0;  ///< longest subkey name, without NUL
  std::uint32_t values = 0;
  std::uint32_t maxValueNameLen = 0;  ///< longest value name, without NUL
  std::uint32_t maxValueLen = 0;      ///< largest value data in bytes
};

/// The OSVERSIONINFOA record (its size field is implied).
struct OsVersionInfo {
  std::uint32_t majorVersion = 0;
  std::uint32_t minorVersion = 0;
  std::uint32_t buildNumber = 0;
  std::uint32_t platformId = 0;
  std::string servicePack;  ///< at most 127 bytes
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
};

/// An access token opened for query; closing happens on destruction.
class AccessToken {
 public:
  virtual ~AccessToken() = default;
  /// GetTokenInformation(TokenGroups) into a buffer of bufferSize bytes: the group SIDs in
  /// list order, or nothing when the query fails or the list needs more than bufferSize bytes.
  virtual std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) = 0;
};

/// A file opened for reading 8-bit bytes; closing happens on destruction.
class InputFile {
 public:
  virtual ~InputFile() = default;
  /// Reads up to size bytes; returns the count, 0 at the end. Throws EInOutError.
  virtual std::size_t Read(char* buffer, std::size_t size) = 0;
};

/// A file opened for writing; the destructor closes it without reporting.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  /// Writes all bytes or throws EInOutError.
  virtual void Write(const char* data, std::size_t size) = 0;
  /// Flushes and closes; throws EInOutError when the system refuses the last bytes.
  virtual void Close() = 0;
};

/// Every operation the collectors and the report writer need of the machine they run on.
/// The Win32 build serves them from the running system, the host build from a simulated
/// machine directory; collectors use nothing else.
class Platform {
 public:
  virtual ~Platform() = default;

  // --- Registry store, with advapi32's results and error codes ---

  /// Opens subKey below parent with the access mask; result receives the new key.
  /// Returns kErrorSuccess, kErrorFileNotFound, kErrorAccessDenied, ...
  virtual long RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                             RegKey& result) = 0;
  /// Closes a key the store opened; roots are left alone.
  virtual long RegCloseKey(RegKey key) = 0;
  /// Counts and longest names of a key's subkeys and values.
  virtual long RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) = 0;
  /// Name of subkey index into name (nameSize in: buffer size with NUL; out: length).
  /// kErrorMoreData when the buffer is too small, kErrorNoMoreItems past the end.
  virtual long RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                             std::uint32_t& nameSize) = 0;
  /// As RegEnumKeyExA for value names; the default value has the empty name. type, data and
  /// dataSize are optional and filled as RegQueryValueExA fills them; data too small gives
  /// kErrorMoreData with *dataSize set to the need (the name is then not to be relied on).
  virtual long RegEnumValueA(RegKey key, std::uint32_t index, char* name, std::uint32_t& nameSize,
                             std::uint32_t* type, std::uint8_t* data, std::uint32_t* dataSize) = 0;
  /// Type, data and size of a value, each pointer optional. A missing value gives
  /// kErrorFileNotFound; data too small gives kErrorMoreData with *dataSize set to the need.
  virtual long RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                                std::uint8_t* data, std::uint32_t* dataSize) = 0;

  // --- System facts ---

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
  /// returns 0.
  virtual std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) = 0;
  /// The system's raw message text for an error code (FormatMessageA, system language).
  virtual std::string FormatMessageA(std::uint32_t code) = 0;

  // --- Files ---

  /// True when a file (not a folder) exists at path with a last-write time an MS-DOS date
  /// can hold (1980 to 2107).
  virtual bool FileExists(const std::string& path) = 0;
  /// Opens a file of the machine for reading; throws EInOutError.
  virtual std::unique_ptr<InputFile> OpenInputFile(const std::string& path) = 0;
  /// Creates (or replaces) the report file at the path the user chose; throws EInOutError.
  virtual std::unique_ptr<OutputFile> CreateOutputFile(const std::string& path) = 0;
};

}  // namespace kdx
