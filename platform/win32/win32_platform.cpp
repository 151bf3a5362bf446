#include "platform/win32/win32_platform.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/errors.h"
#include "platform/win32/win32_handles.h"

namespace kdx {

namespace {

constexpr UINT kFolderBufferSize = 260;
constexpr DWORD kUserNameBufferSize = 256;
constexpr DWORD kEnvironmentBufferSize = 64000;
constexpr DWORD kMessageBufferSize = 256;
constexpr DWORD kVersionInfoSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kVersionInfoSize);
constexpr WORD kFirstDosYear = 1980;
constexpr WORD kLastDosYear = 2107;

HKEY ToHkey(RegKey key) { return reinterpret_cast<HKEY>(key); }

bool IsPredefinedKey(RegKey key) { return key >= kHKeyClassesRoot && key <= 0x80000006; }

[[noreturn]] void ThrowLastIoError() { throw EInOutError(IoCodeForWin32Error(::GetLastError())); }

// GetWindowsDirectoryA and GetSystemDirectoryA answer with the length they need (NUL included)
// when the path does not fit, so a longer path gets a second call with that size instead of
// being reported as a failure or cut off.
template <typename FolderCall>
std::optional<std::string> QueryFolder(FolderCall call) {
  std::string buffer(kFolderBufferSize, '\0');
  UINT length = call(buffer.data(), static_cast<UINT>(buffer.size()));
  if (length >= buffer.size()) {
    buffer.assign(length, '\0');
    length = call(buffer.data(), static_cast<UINT>(buffer.size()));
    if (length >= buffer.size()) return std::nullopt;
  }
  if (length == 0) return std::nullopt;
  buffer.resize(length);
  return buffer;
}

std::string LocaleText(LCTYPE type, const std::string& fallback) {
  char buffer[80];
  const int length = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, buffer, sizeof buffer);
  if (length <= 0) return fallback;
  return std::string(buffer, static_cast<std::size_t>(length - 1));
}

Sid ToSid(PSID sid) {
  Sid result;
  const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
  for (const BYTE byte : authority->Value) result.authority = (result.authority << 8) | byte;
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  for (UCHAR i = 0; i < count; ++i) result.subAuthorities.push_back(*::GetSidSubAuthority(sid, i));
  return result;
}

// True when the local time of a file time is one an MS-DOS date and time can hold. The year is
// checked directly: Wine's FileTimeToDosDateTime wraps years outside 1980 to 2107 instead of
// failing as Windows does, and the result must be the same on both.
bool HasDosDate(const FILETIME& utc) {
  FILETIME local{};
  SYSTEMTIME time{};
  return ::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToSystemTime(&local, &time) &&
         time.wYear >= kFirstDosYear && time.wYear <= kLastDosYear;
}

class Win32AccessToken final : public AccessToken {
 public:
  explicit Win32AccessToken(HANDLE token) : token_(token) {}

  std::optional<std::vector<Sid>> Groups(std::size_t bufferSize) override {
    // DWORD-aligned storage, as TOKEN_GROUPS requires.
    std::vector<DWORD> storage((bufferSize + sizeof(DWORD) - 1) / sizeof(DWORD));
    DWORD needed = 0;
    if (!::GetTokenInformation(token_.Get(), TokenGroups, storage.data(),
                               static_cast<DWORD>(bufferSize), &needed)) {
      return std::nullopt;
    }
    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(storage.data());
    std::vector<Sid> sids;
    for (DWORD i = 0; i < groups->GroupCount; ++i) sids.push_back(ToSid(groups->Groups[i].Sid));
    return sids;
  }

 private:
  win32::UniqueHandle token_;
};

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(HANDLE file) : file_(file) {}

  std::size_t Read(char* buffer, std::size_t size) override {
    DWORD read = 0;
    if (!::ReadFile(file_.Get(), buffer, static_cast<DWORD>(size), &read, nullptr)) {
      ThrowLastIoError();
    }
    return read;
  }

 private:
  win32::UniqueHandle file_;
};

class Win32OutputFile final : public OutputFile {
 public:
  explicit Win32OutputFile(HANDLE file) : file_(file) {}

  void Write(const char* data, std::size_t size) override {
    DWORD written = 0;
    if (!::WriteFile(file_.Get(), data, static_cast<DWORD>(size), &written, nullptr)) {
      ThrowLastIoError();
    }
    // A short write without an error code means the volume ran full.
    if (written != size) throw EInOutError(kIoDiskFull);
  }

  void Close() override {
    if (!file_.Close()) ThrowLastIoError();
  }

 private:
  win32::UniqueHandle file_;
};

}  // namespace

int IoCodeForWin32Error(std::uint32_t win32Error) {
  switch (win32Error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return kIoDiskFull;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
      return kIoInvalidFileName;
    default:
      return static_cast<int>(win32Error);
  }
}

long Win32Platform::RegOpenKeyExA(RegKey parent, const std::string& subKey, std::uint32_t access,
                                  RegKey& result) {
  HKEY opened = nullptr;
  const LONG status = ::RegOpenKeyExA(ToHkey(parent), subKey.c_str(), 0, access, &opened);
  if (status == ERROR_SUCCESS) result = reinterpret_cast<RegKey>(opened);
  return status;
}

long Win32Platform::RegCloseKey(RegKey key) {
  if (IsPredefinedKey(key)) return ERROR_SUCCESS;
  return ::RegCloseKey(ToHkey(key));
}

long Win32Platform::RegQueryInfoKeyA(RegKey key, RegKeyInfo& info) {
  DWORD subKeys = 0;
  DWORD maxSubKeyLen = 0;
  DWORD values = 0;
  DWORD maxValueNameLen = 0;
  DWORD maxValueLen = 0;
  const LONG status =
      ::RegQueryInfoKeyA(ToHkey(key), nullptr, nullptr, nullptr, &subKeys, &maxSubKeyLen, nullptr,
                         &values, &maxValueNameLen, &maxValueLen, nullptr, nullptr);
  if (status == ERROR_SUCCESS) info = {subKeys, maxSubKeyLen, values, maxValueNameLen, maxValueLen};
  return status;
}

long Win32Platform::RegEnumKeyExA(RegKey key, std::uint32_t index, char* name,
                                  std::uint32_t& nameSize) {
  DWORD size = nameSize;
  const LONG status =
      ::RegEnumKeyExA(ToHkey(key), index, name, &size, nullptr, nullptr, nullptr, nullptr);
  nameSize = size;
  return status;
}

long Win32Platform::RegEnumValueA(RegKey key, std::uint32_t index, char* name,
                                  std::uint32_t& nameSize, std::uint32_t* type, std::uint8_t* data,
                                  std::uint32_t* dataSize) {
  DWORD size = nameSize;
  DWORD typeCode = 0;
  DWORD bytes = dataSize != nullptr ? *dataSize : 0;
  const LONG status =
      ::RegEnumValueA(ToHkey(key), index, name, &size, nullptr, type ? &typeCode : nullptr, data,
                      dataSize ? &bytes : nullptr);
  nameSize = size;
  if (type != nullptr) *type = typeCode;
  if (dataSize != nullptr) *dataSize = bytes;
  return status;
}

long Win32Platform::RegQueryValueExA(RegKey key, const std::string& valueName, std::uint32_t* type,
                                     std::uint8_t* data, std::uint32_t* dataSize) {
  DWORD typeCode = 0;
  DWORD size = dataSize != nullptr ? *dataSize : 0;
  const LONG status =
      ::RegQueryValueExA(ToHkey(key), valueName.c_str(), nullptr, type ? &typeCode : nullptr, data,
                         dataSize ? &size : nullptr);
  if (type != nullptr) *type = typeCode;
  if (dataSize != nullptr) *dataSize = size;
  return status;
}

std::optional<std::string> Win32Platform::GetWindowsDirectoryA() {
  return QueryFolder([](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); });
}

std::optional<std::string> Win32Platform::GetSystemDirectoryA() {
  return QueryFolder([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); });
}

std::optional<OsVersionInfo> Win32Platform::GetVersionExA() {
  OSVERSIONINFOA record{};
  record.dwOSVersionInfoSize = kVersionInfoSize;
  if (!::GetVersionExA(&record)) return std::nullopt;
  return OsVersionInfo{
      record.dwMajorVersion, record.dwMinorVersion, record.dwBuildNumber, record.dwPlatformId,
      std::string(record.szCSDVersion, ::strnlen(record.szCSDVersion, sizeof record.szCSDVersion))};
}

SystemTime Win32Platform::GetLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return SystemTime{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                    now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
}

LocaleFormats Win32Platform::GetLocaleFormats() {
  const LocaleFormats defaults;
  return LocaleFormats{LocaleText(LOCALE_SSHORTDATE, defaults.shortDate),
                       LocaleText(LOCALE_STIMEFORMAT, defaults.longTime),
                       LocaleText(LOCALE_STIME, defaults.timeSeparator)};
}

std::optional<std::string> Win32Platform::GetUserNameA() {
  char buffer[kUserNameBufferSize];
  DWORD size = kUserNameBufferSize;
  if (!::GetUserNameA(buffer, &size)) return std::nullopt;
  return std::string(buffer, ::strnlen(buffer, sizeof buffer));
}

std::unique_ptr<AccessToken> Win32Platform::OpenThreadToken(long& error) {
  HANDLE token = nullptr;
  if (!::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token)) {
    error = static_cast<long>(::GetLastError());
    return nullptr;
  }
  error = ERROR_SUCCESS;
  return std::make_unique<Win32AccessToken>(token);
}

std::unique_ptr<AccessToken> Win32Platform::OpenProcessToken(long& error) {
  HANDLE token = nullptr;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token)) {
    error = static_cast<long>(::GetLastError());
    return nullptr;
  }
  error = ERROR_SUCCESS;
  return std::make_unique<Win32AccessToken>(token);
}

std::optional<std::string> Win32Platform::GetEnvironmentVariableA(const std::string& name) {
  std::vector<char> buffer(kEnvironmentBufferSize);
  const DWORD length =
      ::GetEnvironmentVariableA(name.c_str(), buffer.data(), kEnvironmentBufferSize);
  // A value never exceeds 32767 characters, so a length beyond the buffer cannot be a value.
  if (length == 0 || length >= kEnvironmentBufferSize) return std::nullopt;
  return std::string(buffer.data(), length);
}

std::optional<std::string> Win32Platform::ExpandEnvironmentStringsA(const std::string& text) {
  std::vector<char> buffer(kEnvironmentBufferSize);
  const DWORD needed =
      ::ExpandEnvironmentStringsA(text.c_str(), buffer.data(), kEnvironmentBufferSize);
  // The call expands at most 32K characters, so a result beyond the buffer cannot occur; it
  // would leave the buffer's contents undefined, so it counts as a failure.
  if (needed == 0 || needed > kEnvironmentBufferSize) return std::nullopt;
  return std::string(buffer.data(), ::strnlen(buffer.data(), kEnvironmentBufferSize - 1));
}

std::string Win32Platform::FormatMessageA(std::uint32_t code) {
  char buffer[kMessageBufferSize];
  const DWORD length = ::FormatMessageA(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
      nullptr, code, 0, buffer, kMessageBufferSize, nullptr);
  return std::string(buffer, length);
}

bool Win32Platform::FileExists(const std::string& path) {
  // GetFileAttributesExA rather than FindFirstFileA: a "*" or "?" in the path must not match
  // some other file.
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
  return HasDosDate(data.ftLastWriteTime);
}

std::unique_ptr<InputFile> Win32Platform::OpenInputFile(const std::string& path) {
  // Log files may still be open for writing by the program that keeps them.
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowLastIoError();
  return std::make_unique<Win32InputFile>(file);
}

std::unique_ptr<OutputFile> Win32Platform::CreateOutputFile(const std::string& path) {
  HANDLE file = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) ThrowLastIoError();
  return std::make_unique<Win32OutputFile>(file);
}

}  // namespace kdx
