#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/error_codes.h"

namespace kdx {

/// Access masks of the service manager and its services.
inline constexpr std::uint32_t kScManagerConnect = 0x1;
inline constexpr std::uint32_t kScManagerEnumerateService = 0x4;
inline constexpr std::uint32_t kServiceQueryStatus = 0x4;

/// Service state codes (SERVICE_STATUS.dwCurrentState).
inline constexpr std::uint32_t kServiceStopped = 1;
inline constexpr std::uint32_t kServiceRunning = 4;

/// EnumServicesStatusA filters: SERVICE_WIN32 | SERVICE_DRIVER, and the three state choices.
inline constexpr std::uint32_t kServiceWin32AndDrivers = 0x3B;
inline constexpr std::uint32_t kServiceActive = 1;
inline constexpr std::uint32_t kServiceInactive = 2;
inline constexpr std::uint32_t kServiceStateAll = 3;

/// PROCESS_QUERY_INFORMATION | PROCESS_VM_READ: what a process's module list needs.
inline constexpr std::uint32_t kProcessQueryInformationVmRead = 0x410;
inline constexpr std::uint32_t kMutexAllAccess = 0x1F0001;
/// TOKEN_ADJUST_PRIVILEGES and TOKEN_QUERY.
inline constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
inline constexpr std::uint32_t kTokenAdjustPrivilegesQuery = 0x28;
inline constexpr std::uint32_t kSePrivilegeEnabled = 2;

/// One entry of EnumServicesStatusA.
struct ServiceStatusEntry {
  std::string serviceName;
  std::string displayName;
  std::uint32_t currentState = 0;
};

/// An opened service; closing happens on destruction.
class ServiceHandle {
 public:
  virtual ~ServiceHandle() = default;
  /// QueryServiceStatus: state receives the current state code. Returns the error code
  /// (kErrorAccessDenied when the handle lacks SERVICE_QUERY_STATUS).
  virtual long QueryServiceStatus(std::uint32_t& state) = 0;
};

/// An opened service manager; closing happens on destruction.
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  /// OpenServiceA; names compare without case. Null with error set on failure
  /// (kErrorServiceDoesNotExist, kErrorAccessDenied).
  virtual std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                                      long& error) = 0;
  /// EnumServicesStatusA in one call from resume position 0 into a buffer of bufferSize
  /// bytes: the entries that fit, in the manager's order. error receives kErrorSuccess,
  /// kErrorMoreData when more entries exist (Windows still returns those that fit), or the
  /// code of a failed call (kErrorAccessDenied without SC_MANAGER_ENUMERATE_SERVICE).
  virtual std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t serviceType,
                                                              std::uint32_t serviceState,
                                                              std::uint32_t bufferSize,
                                                              long& error) = 0;
};

/// A process opened with OpenProcess; closing happens on destruction.
class ProcessHandle {
 public:
  virtual ~ProcessHandle() = default;
  /// EnumProcessModules into a buffer of bufferSize bytes: the first module, the program
  /// file; nothing when the call fails.
  virtual std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t bufferSize) = 0;
  /// GetModuleFileNameExA into a buffer of size characters: the path, cut to size - 1
  /// characters; nothing when the call fails.
  virtual std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                          std::uint32_t size) = 0;
};

/// A Tool Help process snapshot; closing happens on destruction.
class ProcessSnapshot {
 public:
  virtual ~ProcessSnapshot() = default;
  /// Process32First and Process32Next with the record's size set to 296: the program name of
  /// the first or next process (the full path on Windows 95 to ME, the file name on NT);
  /// nothing at the end or when the call fails.
  virtual std::optional<std::string> Process32First() = 0;
  virtual std::optional<std::string> Process32Next() = 0;
};

/// The own process's token opened for adjusting its privileges; closing on destruction.
class PrivilegeToken {
 public:
  virtual ~PrivilegeToken() = default;
  /// AdjustTokenPrivileges with one privilege and its attributes, no previous state wanted.
  /// Returns what GetLastError gives right after the call: kErrorSuccess only when the
  /// privilege was adjusted, kErrorNotAllAssigned when the token does not hold it.
  virtual long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t attributes) = 0;
};

/// What runs on the machine: the service manager, the processes, named mutexes, and the
/// own token's privileges.
///
/// Failure style: Win32 error codes as the calls give them (GetLastError after a call that
/// returned 0). A call whose DLL or export is missing (PSAPI.dll on NT 4, Tool Help on NT)
/// fails as the call itself would. No call raises: the collectors turn the codes into rows.
class ServicesProcesses {
 public:
  virtual ~ServicesProcesses() = default;

  /// OpenSCManagerA of machine (empty: the local computer) on its active database; null
  /// with error set on failure (kErrorAccessDenied when the access is not granted).
  virtual std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine,
                                                         std::uint32_t access, long& error) = 0;
  /// EnumProcesses into a buffer of bufferSize bytes: the process ids that fit, in the
  /// system's order; nothing when the call fails.
  virtual std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) = 0;
  /// OpenProcess without inheritance; null with error set on failure (kErrorAccessDenied,
  /// kErrorInvalidParameter for an id no process has, id 0 included).
  virtual std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                                     long& error) = 0;
  /// CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0); null with error set when it fails.
  virtual std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) = 0;
  /// OpenMutexA without inheritance, closed again at once. Returns kErrorSuccess when the
  /// mutex opened, else the error code (kErrorFileNotFound when no mutex has that name;
  /// names compare with case).
  virtual long OpenMutexA(std::uint32_t access, const std::string& name) = 0;
  /// OpenProcessToken of the own process; null with error set on failure.
  virtual std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) = 0;
  /// LookupPrivilegeValueA on the local computer (names compare without case): the
  /// privilege's LUID; nothing with error set on failure (kErrorNoSuchPrivilege).
  virtual std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name,
                                                             long& error) = 0;
};

}  // namespace kdx
