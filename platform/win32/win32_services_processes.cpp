#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace kdx {

namespace {

constexpr DWORD kProcessEntrySize = 296;
static_assert(sizeof(PROCESSENTRY32) == kProcessEntrySize);

using EnumProcessesCall = BOOL(WINAPI*)(DWORD*, DWORD, DWORD*);
using EnumProcessModulesCall = BOOL(WINAPI*)(HANDLE, HMODULE*, DWORD, DWORD*);
using GetModuleFileNameExCall = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
using CreateSnapshotCall = HANDLE(WINAPI*)(DWORD, DWORD);
using Process32Call = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

long LastError() { return static_cast<long>(::GetLastError()); }

/// Owns a service manager or service handle and closes it once.
class UniqueServiceHandle {
 public:
  explicit UniqueServiceHandle(SC_HANDLE handle) : handle_(handle) {}
  ~UniqueServiceHandle() { ::CloseServiceHandle(handle_); }
  UniqueServiceHandle(const UniqueServiceHandle&) = delete;
  UniqueServiceHandle& operator=(const UniqueServiceHandle&) = delete;
  SC_HANDLE Get() const { return handle_; }

 private:
  SC_HANDLE handle_;
};

/// Owns a DLL loaded on demand and unloads it once.
class UniqueModule {
 public:
  explicit UniqueModule(HMODULE module) : module_(module) {}
  ~UniqueModule() {
    if (module_ != nullptr) ::FreeLibrary(module_);
  }
  UniqueModule(const UniqueModule&) = delete;
  UniqueModule& operator=(const UniqueModule&) = delete;
  HMODULE Get() const { return module_; }

 private:
  HMODULE module_;
};

/// The process status calls of PSAPI.dll, which NT 4 installs only with some products; each
/// is null where the DLL or the export is missing.
struct Psapi {
  Psapi()
      : module(::LoadLibraryA("PSAPI.dll")),
        enumProcesses(win32::ProcAddress<EnumProcessesCall>(module.Get(), "EnumProcesses")),
        enumProcessModules(
            win32::ProcAddress<EnumProcessModulesCall>(module.Get(), "EnumProcessModules")),
        getModuleFileNameEx(
            win32::ProcAddress<GetModuleFileNameExCall>(module.Get(), "GetModuleFileNameExA")) {}

  UniqueModule module;
  EnumProcessesCall enumProcesses;
  EnumProcessModulesCall enumProcessModules;
  GetModuleFileNameExCall getModuleFileNameEx;
};

/// Tool Help, which kernel32 exports on Windows 95 to ME and from 2000 on, but not on NT 4.
struct ToolHelp {
  ToolHelp()
      : kernel32(::GetModuleHandleA("kernel32.dll")),
        createSnapshot(
            win32::ProcAddress<CreateSnapshotCall>(kernel32, "CreateToolhelp32Snapshot")),
        first(win32::ProcAddress<Process32Call>(kernel32, "Process32First")),
        next(win32::ProcAddress<Process32Call>(kernel32, "Process32Next")) {}

  HMODULE kernel32;
  CreateSnapshotCall createSnapshot;
  Process32Call first;
  Process32Call next;
};

/// A text the call placed into [begin, end); nothing for a null pointer, one outside the
/// buffer, or one without its NUL there.
std::optional<std::string> TextInBuffer(const char* text, const char* begin, const char* end) {
  if (text < begin || text >= end) return std::nullopt;
  const std::size_t length = ::strnlen(text, static_cast<std::size_t>(end - text));
  if (text + length == end) return std::nullopt;
  return std::string(text, length);
}

class Win32ServiceHandle final : public ServiceHandle {
 public:
  explicit Win32ServiceHandle(SC_HANDLE service) : service_(service) {}

  long QueryServiceStatus(std::uint32_t& state) override {
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(service_.Get(), &status)) return LastError();
    state = status.dwCurrentState;
    return ERROR_SUCCESS;
  }

 private:
  UniqueServiceHandle service_;
};

class Win32ServiceManager final : public ServiceManager {
 public:
  explicit Win32ServiceManager(SC_HANDLE manager) : manager_(manager) {}

  std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                              long& error) override {
    SC_HANDLE service = ::OpenServiceA(manager_.Get(), name.c_str(), access);
    if (service == nullptr) {
      error = LastError();
      return nullptr;
    }
    error = ERROR_SUCCESS;
    return std::make_unique<Win32ServiceHandle>(service);
  }

  std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t serviceType,
                                                      std::uint32_t serviceState,
                                                      std::uint32_t bufferSize,
                                                      long& error) override {
    // DWORD storage: the records hold pointers and must be aligned. Zeroed, so that records
    // the call counts but leaves unwritten (Wine does so with ERROR_MORE_DATA) hold no names.
    std::vector<DWORD> buffer((bufferSize + sizeof(DWORD) - 1) / sizeof(DWORD) + 1);
    auto* records = reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer.data());
    const char* begin = reinterpret_cast<const char*>(buffer.data());
    const char* end = begin + bufferSize;
    DWORD needed = 0;
    DWORD returned = 0;
    DWORD resume = 0;
    const BOOL done = ::EnumServicesStatusA(manager_.Get(), serviceType, serviceState, records,
                                            bufferSize, &needed, &returned, &resume);
    error = done ? ERROR_SUCCESS : LastError();
    // With ERROR_MORE_DATA the records that fit are valid; after any other failure none are.
    if (!done && error != ERROR_MORE_DATA) returned = 0;
    std::vector<ServiceStatusEntry> entries;
    for (DWORD i = 0; i < returned && (i + 1) * sizeof(ENUM_SERVICE_STATUSA) <= bufferSize; ++i) {
      const auto name = TextInBuffer(records[i].lpServiceName, begin, end);
      if (!name) continue;
      entries.push_back({*name, TextInBuffer(records[i].lpDisplayName, begin, end).value_or(""),
                         records[i].ServiceStatus.dwCurrentState});
    }
    return entries;
  }

 private:
  UniqueServiceHandle manager_;
};

class Win32ProcessHandle final : public ProcessHandle {
 public:
  Win32ProcessHandle(HANDLE process, const Psapi& psapi) : process_(process), psapi_(psapi) {}

  std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t bufferSize) override {
    if (psapi_.enumProcessModules == nullptr) return std::nullopt;
    std::vector<HMODULE> modules(bufferSize / sizeof(HMODULE) + 1);
    DWORD needed = 0;
    if (!psapi_.enumProcessModules(process_.Get(), modules.data(), bufferSize, &needed)) {
      return std::nullopt;
    }
    return reinterpret_cast<std::uintptr_t>(modules[0]);
  }

  std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                  std::uint32_t size) override {
    if (psapi_.getModuleFileNameEx == nullptr || size == 0) return std::nullopt;
    std::string path(size, '\0');
    if (psapi_.getModuleFileNameEx(process_.Get(), reinterpret_cast<HMODULE>(module), path.data(),
                                   size) == 0) {
      return std::nullopt;
    }
    // Windows XP leaves a path that fills the buffer without its NUL.
    path.resize(::strnlen(path.data(), size - 1));
    return path;
  }

 private:
  win32::UniqueHandle process_;
  const Psapi& psapi_;
};

class Win32ProcessSnapshot final : public ProcessSnapshot {
 public:
  Win32ProcessSnapshot(HANDLE snapshot, const ToolHelp& toolHelp)
      : snapshot_(snapshot), toolHelp_(toolHelp) {}

  std::optional<std::string> Process32First() override { return Walk(toolHelp_.first); }
  std::optional<std::string> Process32Next() override { return Walk(toolHelp_.next); }

 private:
  std::optional<std::string> Walk(Process32Call call) {
    if (call == nullptr) return std::nullopt;
    PROCESSENTRY32 entry{};
    entry.dwSize = kProcessEntrySize;
    if (!call(snapshot_.Get(), &entry)) return std::nullopt;
    return std::string(entry.szExeFile, ::strnlen(entry.szExeFile, sizeof entry.szExeFile));
  }

  win32::UniqueHandle snapshot_;
  const ToolHelp& toolHelp_;
};

class Win32PrivilegeToken final : public PrivilegeToken {
 public:
  explicit Win32PrivilegeToken(HANDLE token) : token_(token) {}

  long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t attributes) override {
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Luid.LowPart = static_cast<DWORD>(luid);
    privileges.Privileges[0].Luid.HighPart = static_cast<LONG>(luid >> 32);
    privileges.Privileges[0].Attributes = attributes;
    // Success alone says nothing: a privilege the token lacks still returns TRUE and leaves
    // ERROR_NOT_ALL_ASSIGNED, so the last error is the answer.
    ::AdjustTokenPrivileges(token_.Get(), FALSE, &privileges, 0, nullptr, nullptr);
    return LastError();
  }

 private:
  win32::UniqueHandle token_;
};

class Win32ServicesProcesses final : public ServicesProcesses {
 public:
  std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine, std::uint32_t access,
                                                 long& error) override {
    SC_HANDLE manager =
        ::OpenSCManagerA(machine.empty() ? nullptr : machine.c_str(), nullptr, access);
    if (manager == nullptr) {
      error = LastError();
      return nullptr;
    }
    error = ERROR_SUCCESS;
    return std::make_unique<Win32ServiceManager>(manager);
  }

  std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) override {
    const Psapi& psapi = LoadedPsapi();
    if (psapi.enumProcesses == nullptr) return std::nullopt;
    std::vector<DWORD> ids(bufferSize / sizeof(DWORD) + 1);
    DWORD filled = 0;
    if (!psapi.enumProcesses(ids.data(), bufferSize, &filled)) return std::nullopt;
    ids.resize(std::min<std::size_t>(filled, bufferSize) / sizeof(DWORD));
    return std::vector<std::uint32_t>(ids.begin(), ids.end());
  }

  std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                             long& error) override {
    HANDLE process = ::OpenProcess(access, FALSE, processId);
    if (process == nullptr) {
      error = LastError();
      return nullptr;
    }
    error = ERROR_SUCCESS;
    return std::make_unique<Win32ProcessHandle>(process, LoadedPsapi());
  }

  std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) override {
    if (toolHelp_.createSnapshot == nullptr) {
      error = ERROR_PROC_NOT_FOUND;
      return nullptr;
    }
    HANDLE snapshot = toolHelp_.createSnapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
      error = LastError();
      return nullptr;
    }
    error = ERROR_SUCCESS;
    return std::make_unique<Win32ProcessSnapshot>(snapshot, toolHelp_);
  }

  long OpenMutexA(std::uint32_t access, const std::string& name) override {
    const win32::UniqueHandle mutex(::OpenMutexA(access, FALSE, name.c_str()));
    return mutex.Valid() ? ERROR_SUCCESS : LastError();
  }

  std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) override {
    HANDLE token = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), access, &token)) {
      error = LastError();
      return nullptr;
    }
    error = ERROR_SUCCESS;
    return std::make_unique<Win32PrivilegeToken>(token);
  }

  std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name,
                                                     long& error) override {
    LUID luid{};
    if (!::LookupPrivilegeValueA(nullptr, name.c_str(), &luid)) {
      error = LastError();
      return std::nullopt;
    }
    error = ERROR_SUCCESS;
    return (static_cast<std::uint64_t>(static_cast<DWORD>(luid.HighPart)) << 32) | luid.LowPart;
  }

 private:
  /// PSAPI.dll, loaded when first needed and kept until the platform ends.
  const Psapi& LoadedPsapi() {
    if (!psapi_) psapi_ = std::make_unique<Psapi>();
    return *psapi_;
  }

  std::unique_ptr<Psapi> psapi_;
  ToolHelp toolHelp_;
};

}  // namespace

std::unique_ptr<ServicesProcesses> NewWin32Services() {
  return std::make_unique<Win32ServicesProcesses>();
}

}  // namespace kdx
