#include "platform/fault/fault_calls.h"

#include <array>

#include "platform/error_codes.h"

namespace kdx {

namespace {

// The errors of each kind, as each call's documentation gives them and as a PC in use gives
// them: a key or file another program removes or locks meanwhile, a user without the rights,
// a service that stops answering in the middle of the run.
constexpr long kOpenKeyErrors[] = {kErrorAccessDenied, kErrorFileNotFound};
constexpr long kCloseErrors[] = {kErrorInvalidHandle};
constexpr long kKeyInfoErrors[] = {kErrorAccessDenied};
// An entry removed, or renamed longer, while the key is listed.
constexpr long kEnumErrors[] = {kErrorNoMoreItems, kErrorMoreData};
constexpr long kValueSizeErrors[] = {kErrorFileNotFound};
// A value removed or grown between its size and its data.
constexpr long kValueDataErrors[] = {kErrorFileNotFound, kErrorMoreData};

constexpr long kFails[] = {kFaultFails};
constexpr long kAccessDenied[] = {kErrorAccessDenied};
constexpr long kInvalidHandle[] = {kErrorInvalidHandle};
constexpr long kNotEnoughMemory[] = {kErrorNotEnoughMemory};
constexpr long kDiskFull[] = {kErrorDiskFull};

constexpr long kOpenFileErrors[] = {kErrorAccessDenied, kErrorSharingViolation, kErrorFileNotFound};
constexpr long kReadErrors[] = {kErrorReadFault, kErrorLockViolation, kFaultShortRead};
constexpr long kPathErrors[] = {kErrorAccessDenied, kErrorFileNotFound};
constexpr long kFolderErrors[] = {kErrorAccessDenied, kErrorPathNotFound};
constexpr long kVersionErrors[] = {kErrorResourceTypeNotFound, kErrorSharingViolation};
constexpr long kCreateErrors[] = {kErrorAccessDenied, kErrorSharingViolation};
constexpr long kFullPathErrors[] = {kErrorFilenameExcedRange};

// The service manager, the spooler and the event log answer through RPC.
constexpr long kRpcErrors[] = {kErrorAccessDenied, kErrorRpcServerUnavailable};
constexpr long kOpenServiceErrors[] = {kErrorAccessDenied, kErrorServiceDoesNotExist};
constexpr long kServiceStatusErrors[] = {kErrorAccessDenied, kErrorInvalidHandle};
// kErrorMoreData: the list stops after half its entries, as a manager whose list grew.
constexpr long kEnumServicesErrors[] = {kErrorAccessDenied, kErrorMoreData,
                                        kErrorRpcServerUnavailable};
// The process has ended meanwhile.
constexpr long kOpenProcessErrors[] = {kErrorAccessDenied, kErrorInvalidParameter};
constexpr long kMutexErrors[] = {kErrorAccessDenied, kErrorFileNotFound};
constexpr long kLookupErrors[] = {kErrorNoSuchPrivilege};
constexpr long kAdjustErrors[] = {kErrorNotAllAssigned};
// The log is cleared, or the event log service stops, between two reads.
constexpr long kReadLogErrors[] = {kErrorEventlogFileChanged, kErrorRpcServerUnavailable};
constexpr long kLoadErrors[] = {kErrorModNotFound, kErrorAccessDenied};
constexpr long kMessageErrors[] = {kErrorMrMidNotFound, kErrorNotEnoughMemory};

using F = FaultCall;

// One entry per kind, in the order of FaultCall; adding a call is adding its entry.
constexpr std::array kCalls = {
    FaultCallInfo{F::RegOpenKeyExA, "RegOpenKeyExA", kOpenKeyErrors},
    FaultCallInfo{F::RegCloseKey, "RegCloseKey", kCloseErrors},
    FaultCallInfo{F::RegQueryInfoKeyA, "RegQueryInfoKeyA", kKeyInfoErrors},
    FaultCallInfo{F::RegEnumKeyExA, "RegEnumKeyExA", kEnumErrors},
    FaultCallInfo{F::RegEnumValueA, "RegEnumValueA", kEnumErrors},
    FaultCallInfo{F::RegQueryValueSize, "RegQueryValueExA(size)", kValueSizeErrors},
    FaultCallInfo{F::RegQueryValueData, "RegQueryValueExA(data)", kValueDataErrors},

    FaultCallInfo{F::GetWindowsDirectoryA, "GetWindowsDirectoryA", kFails},
    FaultCallInfo{F::GetSystemDirectoryA, "GetSystemDirectoryA", kFails},
    FaultCallInfo{F::GetVersionExA, "GetVersionExA", kFails},
    FaultCallInfo{F::GetLocalTime, "GetLocalTime", {}},
    FaultCallInfo{F::GetLocaleFormats, "GetLocaleInfoA", {}},
    FaultCallInfo{F::GetUserNameA, "GetUserNameA", kFails},
    FaultCallInfo{F::OpenThreadToken, "OpenThreadToken", kAccessDenied},
    FaultCallInfo{F::OpenProcessToken, "OpenProcessToken", kAccessDenied},
    FaultCallInfo{F::GetTokenGroups, "GetTokenInformation", kFails},
    FaultCallInfo{F::GetEnvironmentVariableA, "GetEnvironmentVariableA", kFails},
    FaultCallInfo{F::ExpandEnvironmentStringsA, "ExpandEnvironmentStringsA", kFails},
    FaultCallInfo{F::FormatMessageFromSystem, "FormatMessageA(system)", kFails},
    // Its documented errors are those of wrong flags and arguments, which a PC does not give.
    FaultCallInfo{F::CompareStringA, "CompareStringA", {}},
    FaultCallInfo{F::FileTimeToLocalTime, "FileTimeToLocalFileTime", kFails},
    FaultCallInfo{F::GetNativeMachine, "IsWow64Process", kFails},
    FaultCallInfo{F::GlobalMemoryStatus, "GlobalMemoryStatus", {}},
    FaultCallInfo{F::GetLogicalDrives, "GetLogicalDrives", kFails},
    FaultCallInfo{F::GetDriveTypeA, "GetDriveTypeA", kFails},
    FaultCallInfo{F::HasGetDiskFreeSpaceExA, "GetProcAddress(GetDiskFreeSpaceExA)", {}},
    FaultCallInfo{F::GetDiskFreeSpaceExA, "GetDiskFreeSpaceExA", kFails},
    FaultCallInfo{F::GetDiskFreeSpaceA, "GetDiskFreeSpaceA", kFails},
    FaultCallInfo{F::SetErrorMode, "SetErrorMode", {}},

    FaultCallInfo{F::FileExists, "FindFirstFileA(exists)", kFails},
    FaultCallInfo{F::OpenInputFile, "CreateFileA", kOpenFileErrors},
    FaultCallInfo{F::ReadFile, "ReadFile", kReadErrors},
    FaultCallInfo{F::SeekFile, "SetFilePointer", kInvalidHandle},
    FaultCallInfo{F::GetFileInformationByHandle, "GetFileInformationByHandle", kInvalidHandle},
    FaultCallInfo{F::GetFullPathNameA, "GetFullPathNameA", kFullPathErrors},
    FaultCallInfo{F::GetFileAttributesA, "GetFileAttributesA", kPathErrors},
    FaultCallInfo{F::ListFolder, "FindFirstFileA(list)", kFolderErrors},
    FaultCallInfo{F::GetFileVersionInfoA, "GetFileVersionInfoA", kVersionErrors},
    FaultCallInfo{F::VerQueryValueA, "VerQueryValueA", kFails},
    FaultCallInfo{F::GetPrivateProfileStringA, "GetPrivateProfileStringA", kFails},
    FaultCallInfo{F::ReadShellLink, "IPersistFile::Load", kFails},
    FaultCallInfo{F::CreateOutputFile, "CreateFileA(report)", kCreateErrors},
    FaultCallInfo{F::WriteFile, "WriteFile", kDiskFull},
    FaultCallInfo{F::CloseOutputFile, "CloseHandle(report)", kDiskFull},
    FaultCallInfo{F::CreateDirectoryA, "CreateDirectoryA", kAccessDenied},

    FaultCallInfo{F::OpenSCManagerA, "OpenSCManagerA", kRpcErrors},
    FaultCallInfo{F::OpenServiceA, "OpenServiceA", kOpenServiceErrors},
    FaultCallInfo{F::QueryServiceStatus, "QueryServiceStatus", kServiceStatusErrors},
    FaultCallInfo{F::EnumServicesStatusA, "EnumServicesStatusA", kEnumServicesErrors},
    FaultCallInfo{F::EnumProcesses, "EnumProcesses", kFails},
    FaultCallInfo{F::OpenProcess, "OpenProcess", kOpenProcessErrors},
    FaultCallInfo{F::EnumProcessModules, "EnumProcessModules", kFails},
    FaultCallInfo{F::GetModuleFileNameExA, "GetModuleFileNameExA", kFails},
    FaultCallInfo{F::CreateToolhelp32Snapshot, "CreateToolhelp32Snapshot", kNotEnoughMemory},
    FaultCallInfo{F::Process32First, "Process32First", kFails},
    FaultCallInfo{F::Process32Next, "Process32Next", kFails},
    FaultCallInfo{F::OpenMutexA, "OpenMutexA", kMutexErrors},
    FaultCallInfo{F::OpenPrivilegeToken, "OpenProcessToken(adjust)", kAccessDenied},
    FaultCallInfo{F::LookupPrivilegeValueA, "LookupPrivilegeValueA", kLookupErrors},
    FaultCallInfo{F::AdjustTokenPrivileges, "AdjustTokenPrivileges", kAdjustErrors},

    FaultCallInfo{F::EnumPortsA, "EnumPortsA", kRpcErrors},
    FaultCallInfo{F::EnumPrintersA, "EnumPrintersA", kRpcErrors},

    FaultCallInfo{F::OpenEventLogA, "OpenEventLogA", kRpcErrors},
    FaultCallInfo{F::ReadEventLogA, "ReadEventLogA", kReadLogErrors},
    FaultCallInfo{F::LoadLibraryExA, "LoadLibraryExA", kLoadErrors},
    FaultCallInfo{F::FormatMessageFromModule, "FormatMessageA(module)", kMessageErrors},
};

constexpr bool InFaultCallOrder() {
  for (std::size_t i = 0; i < kCalls.size(); ++i) {
    if (static_cast<std::size_t>(kCalls[i].call) != i) return false;
  }
  return true;
}
static_assert(InFaultCallOrder(), "kCalls lists the kinds in the order of FaultCall");

}  // namespace

std::span<const FaultCallInfo> FaultCalls() { return kCalls; }

const FaultCallInfo& FaultCallInfoOf(FaultCall call) {
  return kCalls[static_cast<std::size_t>(call)];
}

std::string FaultErrorName(long error) {
  if (error == kFaultFails) return "fails";
  if (error == kFaultShortRead) return "short read";
  return std::to_string(error);
}

}  // namespace kdx
