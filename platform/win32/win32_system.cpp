#include <windows.h>

#include <cstring>
#include <optional>
#include <vector>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace kdx {

namespace {

constexpr UINT kFolderBufferSize = 260;
constexpr DWORD kUserNameBufferSize = 256;
constexpr DWORD kEnvironmentBufferSize = 64000;
constexpr DWORD kMessageBufferSize = 256;
constexpr DWORD kVersionInfoSize = 148;
static_assert(sizeof(OSVERSIONINFOA) == kVersionInfoSize);
constexpr DWORD kMemoryStatusSize = 32;
static_assert(sizeof(MEMORYSTATUS) == kMemoryStatusSize);

using GetDiskFreeSpaceExCall = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER,
                                             PULARGE_INTEGER);
// Windows 10 1709 and later; XP SP2 and later; XP and later.
using IsWow64Process2Call = BOOL(WINAPI*)(HANDLE, USHORT*, USHORT*);
using IsWow64ProcessCall = BOOL(WINAPI*)(HANDLE, PBOOL);
using GetNativeSystemInfoCall = void(WINAPI*)(LPSYSTEM_INFO);

// IMAGE_FILE_MACHINE_* and PROCESSOR_ARCHITECTURE_* codes, spelt out: older headers lack some.
constexpr USHORT kImageMachineUnknown = 0;
constexpr USHORT kImageMachineAmd64 = 0x8664;
constexpr USHORT kImageMachineArm64 = 0xAA64;
constexpr USHORT kImageMachineIa64 = 0x0200;
constexpr WORD kProcessorAmd64 = 9;
constexpr WORD kProcessorArm64 = 12;
constexpr WORD kProcessorIa64 = 6;

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

SystemTime ToSystemTime(const SYSTEMTIME& time) {
  return SystemTime{time.wYear, time.wMonth,  time.wDayOfWeek, time.wDay,
                    time.wHour, time.wMinute, time.wSecond,    time.wMilliseconds};
}

Sid ToSid(PSID sid) {
  Sid result;
  const SID_IDENTIFIER_AUTHORITY* authority = ::GetSidIdentifierAuthority(sid);
  for (const BYTE byte : authority->Value) result.authority = (result.authority << 8) | byte;
  const UCHAR count = *::GetSidSubAuthorityCount(sid);
  for (UCHAR i = 0; i < count; ++i) result.subAuthorities.push_back(*::GetSidSubAuthority(sid, i));
  return result;
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

std::unique_ptr<AccessToken> TokenOrError(BOOL opened, HANDLE token, long& error) {
  if (!opened) {
    error = static_cast<long>(::GetLastError());
    return nullptr;
  }
  error = ERROR_SUCCESS;
  return std::make_unique<Win32AccessToken>(token);
}

NativeMachine NativeMachineOfImage(USHORT machine) {
  switch (machine) {
    case kImageMachineAmd64:
      return NativeMachine::kX64;
    case kImageMachineArm64:
      return NativeMachine::kArm64;
    case kImageMachineIa64:
      return NativeMachine::kIa64;
    default:
      return NativeMachine::kNone;
  }
}

NativeMachine NativeMachineOfProcessor(WORD architecture) {
  switch (architecture) {
    case kProcessorAmd64:
      return NativeMachine::kX64;
    case kProcessorArm64:
      return NativeMachine::kArm64;
    case kProcessorIa64:
      return NativeMachine::kIa64;
    default:
      return NativeMachine::kNone;
  }
}

/// WOW64's own answer, where kernel32 has IsWow64Process2; nothing where it lacks the call.
std::optional<NativeMachine> NativeMachineOfWow64Process2(HMODULE kernel) {
  const auto isWow64Process2 = win32::ProcAddress<IsWow64Process2Call>(kernel, "IsWow64Process2");
  if (isWow64Process2 == nullptr) return std::nullopt;
  USHORT processMachine = kImageMachineUnknown;
  USHORT nativeMachine = kImageMachineUnknown;
  if (!isWow64Process2(::GetCurrentProcess(), &processMachine, &nativeMachine)) {
    return NativeMachine::kNone;
  }
  // A process that WOW64 does not run has no process machine of its own.
  if (processMachine == kImageMachineUnknown) return NativeMachine::kNone;
  return NativeMachineOfImage(nativeMachine);
}

/// Before Windows 10 1709: IsWow64Process, then the native system's processor. On ARM64
/// these calls do not tell an x86 program the truth, but every ARM64 Windows has
/// IsWow64Process2.
NativeMachine NativeMachineOfWow64Process(HMODULE kernel) {
  const auto isWow64Process = win32::ProcAddress<IsWow64ProcessCall>(kernel, "IsWow64Process");
  const auto nativeSystemInfo =
      win32::ProcAddress<GetNativeSystemInfoCall>(kernel, "GetNativeSystemInfo");
  BOOL wow64 = FALSE;
  if (isWow64Process == nullptr || nativeSystemInfo == nullptr ||
      !isWow64Process(::GetCurrentProcess(), &wow64) || !wow64) {
    return NativeMachine::kNone;
  }
  SYSTEM_INFO info{};
  nativeSystemInfo(&info);
  return NativeMachineOfProcessor(info.wProcessorArchitecture);
}

class Win32System final : public SystemFacts {
 public:
  // The first Windows 95 lacks GetDiskFreeSpaceExA: looked up once, at start.
  Win32System()
      : diskFreeSpaceEx_(win32::ProcAddress<GetDiskFreeSpaceExCall>(
            ::GetModuleHandleA("kernel32.dll"), "GetDiskFreeSpaceExA")) {}

  std::optional<std::string> GetWindowsDirectoryA() override {
    return QueryFolder(
        [](char* buffer, UINT size) { return ::GetWindowsDirectoryA(buffer, size); });
  }

  std::optional<std::string> GetSystemDirectoryA() override {
    return QueryFolder([](char* buffer, UINT size) { return ::GetSystemDirectoryA(buffer, size); });
  }

  std::optional<OsVersionInfo> GetVersionExA() override {
    OSVERSIONINFOA record{};
    record.dwOSVersionInfoSize = kVersionInfoSize;
    if (!::GetVersionExA(&record)) return std::nullopt;
    return OsVersionInfo{record.dwMajorVersion, record.dwMinorVersion, record.dwBuildNumber,
                         record.dwPlatformId,
                         std::string(record.szCSDVersion,
                                     ::strnlen(record.szCSDVersion, sizeof record.szCSDVersion))};
  }

  SystemTime GetLocalTime() override {
    SYSTEMTIME now{};
    ::GetLocalTime(&now);
    return ToSystemTime(now);
  }

  LocaleFormats GetLocaleFormats() override {
    const LocaleFormats defaults;
    return LocaleFormats{LocaleText(LOCALE_SSHORTDATE, defaults.shortDate),
                         LocaleText(LOCALE_STIMEFORMAT, defaults.longTime),
                         LocaleText(LOCALE_STIME, defaults.timeSeparator)};
  }

  std::optional<std::string> GetUserNameA() override {
    char buffer[kUserNameBufferSize];
    DWORD size = kUserNameBufferSize;
    if (!::GetUserNameA(buffer, &size)) return std::nullopt;
    return std::string(buffer, ::strnlen(buffer, sizeof buffer));
  }

  std::unique_ptr<AccessToken> OpenThreadToken(long& error) override {
    HANDLE token = nullptr;
    const BOOL opened = ::OpenThreadToken(::GetCurrentThread(), TOKEN_QUERY, TRUE, &token);
    return TokenOrError(opened, token, error);
  }

  std::unique_ptr<AccessToken> OpenProcessToken(long& error) override {
    HANDLE token = nullptr;
    const BOOL opened = ::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token);
    return TokenOrError(opened, token, error);
  }

  std::optional<std::string> GetEnvironmentVariableA(const std::string& name) override {
    std::vector<char> buffer(kEnvironmentBufferSize);
    const DWORD length =
        ::GetEnvironmentVariableA(name.c_str(), buffer.data(), kEnvironmentBufferSize);
    // A value never exceeds 32767 characters, so a length beyond the buffer cannot be a value.
    if (length == 0 || length >= kEnvironmentBufferSize) return std::nullopt;
    return std::string(buffer.data(), length);
  }

  std::optional<std::string> ExpandEnvironmentStringsA(const std::string& text) override {
    // A longer source crashes the call on some systems and wraps its count on others.
    if (text.size() > kExpandSourceLimit) return std::nullopt;
    std::vector<char> buffer(kEnvironmentBufferSize);
    const DWORD needed =
        ::ExpandEnvironmentStringsA(text.c_str(), buffer.data(), kEnvironmentBufferSize);
    // The call expands at most 32K characters, so a result beyond the buffer cannot occur; it
    // would leave the buffer's contents undefined, so it counts as a failure.
    if (needed == 0 || needed > kEnvironmentBufferSize) return std::nullopt;
    return std::string(buffer.data(), ::strnlen(buffer.data(), kEnvironmentBufferSize - 1));
  }

  int CompareStringA(const std::string& a, const std::string& b) override {
    return ::CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                            static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()));
  }

  std::optional<SystemTime> FileTimeToLocalTime(std::uint64_t fileTime) override {
    FILETIME utc{static_cast<DWORD>(fileTime & 0xFFFFFFFF), static_cast<DWORD>(fileTime >> 32)};
    FILETIME local{};
    SYSTEMTIME time{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &time)) {
      return std::nullopt;
    }
    return ToSystemTime(time);
  }

  std::string FormatMessageA(std::uint32_t code) override {
    char buffer[kMessageBufferSize];
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ARGUMENT_ARRAY,
        nullptr, code, 0, buffer, kMessageBufferSize, nullptr);
    return std::string(buffer, length);
  }

  NativeMachine GetNativeMachine() override {
    const HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (const auto answer = NativeMachineOfWow64Process2(kernel)) return *answer;
    return NativeMachineOfWow64Process(kernel);
  }

  MemoryStatus GlobalMemoryStatus() override {
    MEMORYSTATUS status{};
    status.dwLength = kMemoryStatusSize;
    ::GlobalMemoryStatus(&status);
    return MemoryStatus{status.dwTotalPhys, status.dwAvailPhys, status.dwTotalPageFile,
                        status.dwAvailPageFile};
  }

  std::uint32_t GetLogicalDrives() override { return ::GetLogicalDrives(); }

  std::uint32_t GetDriveTypeA(const std::string& root) override {
    return ::GetDriveTypeA(root.c_str());
  }

  bool HasGetDiskFreeSpaceExA() override { return diskFreeSpaceEx_ != nullptr; }

  std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override {
    if (diskFreeSpaceEx_ == nullptr) return std::nullopt;
    ULARGE_INTEGER freeAvailable{};
    ULARGE_INTEGER total{};
    ULARGE_INTEGER totalFree{};
    if (!diskFreeSpaceEx_(root.c_str(), &freeAvailable, &total, &totalFree)) return std::nullopt;
    return DiskFreeSpace{static_cast<std::int64_t>(freeAvailable.QuadPart),
                         static_cast<std::int64_t>(total.QuadPart),
                         static_cast<std::int64_t>(totalFree.QuadPart)};
  }

  std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override {
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD totalClusters = 0;
    if (!::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                             &totalClusters)) {
      return std::nullopt;
    }
    return DiskClusters{sectorsPerCluster, bytesPerSector, freeClusters, totalClusters};
  }

  std::uint32_t SetErrorMode(std::uint32_t mode) override { return ::SetErrorMode(mode); }

 private:
  GetDiskFreeSpaceExCall diskFreeSpaceEx_;
};

}  // namespace

std::unique_ptr<SystemFacts> NewWin32System() { return std::make_unique<Win32System>(); }

}  // namespace kdx
