#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kdx {

/// The platform calls a run makes, one kind per call of an area or of an object an area hands
/// out. Where a call fails in different ways depending on what it is asked (a value's size
/// against its data), each way is a kind of its own.
enum class FaultCall : std::uint8_t {
  // Registry
  RegOpenKeyExA,
  RegCloseKey,
  RegQueryInfoKeyA,
  RegEnumKeyExA,
  RegEnumValueA,
  RegQueryValueSize,  ///< RegQueryValueExA without a data buffer: type and size
  RegQueryValueData,  ///< RegQueryValueExA into a buffer
  // System facts
  GetWindowsDirectoryA,
  GetSystemDirectoryA,
  GetVersionExA,
  GetLocalTime,
  GetLocaleFormats,
  GetUserNameA,
  OpenThreadToken,
  OpenProcessToken,
  GetTokenGroups,
  GetEnvironmentVariableA,
  ExpandEnvironmentStringsA,
  FormatMessageFromSystem,
  CompareStringA,
  FileTimeToLocalTime,
  GetNativeMachine,
  GlobalMemoryStatus,
  GetLogicalDrives,
  GetDriveTypeA,
  HasGetDiskFreeSpaceExA,
  GetDiskFreeSpaceExA,
  GetDiskFreeSpaceA,
  SetErrorMode,
  // Files
  FileExists,
  OpenInputFile,
  ReadFile,
  SeekFile,
  GetFileInformationByHandle,
  GetFullPathNameA,
  GetFileAttributesA,
  ListFolder,
  GetFileVersionInfoA,
  VerQueryValueA,
  GetPrivateProfileStringA,
  ReadShellLink,
  CreateOutputFile,
  WriteFile,
  CloseOutputFile,
  CreateDirectoryA,
  // Services and processes
  OpenSCManagerA,
  OpenServiceA,
  QueryServiceStatus,
  EnumServicesStatusA,
  EnumProcesses,
  OpenProcess,
  EnumProcessModules,
  GetModuleFileNameExA,
  CreateToolhelp32Snapshot,
  Process32First,
  Process32Next,
  OpenMutexA,
  OpenPrivilegeToken,
  LookupPrivilegeValueA,
  AdjustTokenPrivileges,
  // Spooler
  EnumPortsA,
  EnumPrintersA,
  // Event logs
  OpenEventLogA,
  ReadEventLogA,
  LoadLibraryExA,
  FormatMessageFromModule,
};

/// A failure that is no Win32 error code: the call answers as it does when it returns 0
/// (nothing, false, an empty list), without a code the program could see.
inline constexpr long kFaultFails = -1;
/// A read that succeeds with fewer bytes than it was asked for and the file holds.
inline constexpr long kFaultShortRead = -2;

/// A call kind: its name and the errors it is failed with, those its documentation gives and
/// a PC gives it. An empty list: the call cannot fail.
struct FaultCallInfo {
  FaultCall call;
  std::string_view name;
  std::span<const long> errors;
};

/// Every kind, area by area, in the order of FaultCall.
std::span<const FaultCallInfo> FaultCalls();
const FaultCallInfo& FaultCallInfoOf(FaultCall call);

/// "5", "234", "fails" or "short read": an error as the campaign's records name it.
std::string FaultErrorName(long error);

}  // namespace kdx
