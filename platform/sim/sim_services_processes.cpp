#include "platform/sim/sim_services_processes.h"

#include <algorithm>

#include "platform/upcase.h"

namespace kdx {

namespace {

// ENUM_SERVICE_STATUSA on 32-bit Windows: two name pointers and a SERVICE_STATUS of seven
// DWORDs; the names follow in the same buffer.
constexpr std::uint32_t kEnumServiceStatusSize = 36;
constexpr std::uint32_t kProcessIdSize = 4;
// PROCESSENTRY32's szExeFile holds MAX_PATH characters with its NUL.
constexpr std::size_t kExeFileLength = 259;
constexpr std::uintptr_t kProgramModule = 0x400000;
constexpr std::uint64_t kShutdownPrivilegeLuid = 19;
constexpr std::uint32_t kIdleProcessId = 0;
constexpr char kShutdownPrivilegeName[] = "SESHUTDOWNPRIVILEGE";
constexpr std::uint32_t kPlatformNt = 2;

bool StateMatches(std::uint32_t state, std::uint32_t filter) {
  const bool active = state != kServiceStopped;
  return active ? (filter & kServiceActive) != 0 : (filter & kServiceInactive) != 0;
}

class SimServiceHandle final : public ServiceHandle {
 public:
  SimServiceHandle(const SimService& service, std::uint32_t access)
      : service_(service), access_(access) {}

  long QueryServiceStatus(std::uint32_t& state) override {
    if ((access_ & kServiceQueryStatus) == 0) return kErrorAccessDenied;
    if (service_.queryError != kErrorSuccess) return service_.queryError;
    state = service_.state;
    return kErrorSuccess;
  }

 private:
  const SimService& service_;
  std::uint32_t access_;
};

class SimServiceManager final : public ServiceManager {
 public:
  SimServiceManager(const SimServices& services, std::uint32_t access)
      : services_(services), access_(access) {}

  std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                              long& error) override {
    const auto found =
        std::find_if(services_.list.begin(), services_.list.end(),
                     [&](const SimService& service) { return EqualUpcased(service.name, name); });
    if (found == services_.list.end()) {
      error = kErrorServiceDoesNotExist;
      return nullptr;
    }
    if (!AccessGranted(access, found->access)) {
      error = kErrorAccessDenied;
      return nullptr;
    }
    error = kErrorSuccess;
    return std::make_unique<SimServiceHandle>(*found, access);
  }

  std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t /*serviceType*/,
                                                      std::uint32_t serviceState,
                                                      std::uint32_t bufferSize,
                                                      long& error) override {
    std::vector<ServiceStatusEntry> entries;
    if ((access_ & kScManagerEnumerateService) == 0) {
      error = kErrorAccessDenied;
      return entries;
    }
    if (services_.enumError != kErrorSuccess) {
      error = services_.enumError;
      return entries;
    }
    error = kErrorSuccess;
    std::uint32_t used = 0;
    for (const SimService& service : services_.list) {
      if (!StateMatches(service.state, serviceState)) continue;
      const auto size = static_cast<std::uint32_t>(kEnumServiceStatusSize + service.name.size() +
                                                   service.displayName.size() + 2);
      if (size > bufferSize - used) {
        error = kErrorMoreData;
        break;
      }
      used += size;
      entries.push_back({service.name, service.displayName, service.state});
    }
    return entries;
  }

 private:
  const SimServices& services_;
  std::uint32_t access_;
};

class SimProcessHandle final : public ProcessHandle {
 public:
  SimProcessHandle(const SimProcess& process, std::uint32_t access)
      : process_(process), access_(access) {}

  std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t /*bufferSize*/) override {
    if ((access_ & kProcessQueryInformationVmRead) != kProcessQueryInformationVmRead) {
      return std::nullopt;
    }
    if (process_.modulesError != kErrorSuccess) return std::nullopt;
    return kProgramModule;
  }

  std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                  std::uint32_t size) override {
    if (module != kProgramModule || process_.pathError != kErrorSuccess || size == 0) {
      return std::nullopt;
    }
    return process_.path.substr(0, size - 1);
  }

 private:
  const SimProcess& process_;
  std::uint32_t access_;
};

class SimProcessSnapshot final : public ProcessSnapshot {
 public:
  SimProcessSnapshot(const std::vector<SimProcess>& processes, bool fileNamesOnly)
      : processes_(processes), fileNamesOnly_(fileNamesOnly) {}

  std::optional<std::string> Process32First() override {
    next_ = 0;
    return Process32Next();
  }

  std::optional<std::string> Process32Next() override {
    if (next_ >= processes_.size()) return std::nullopt;
    std::string name = processes_[next_++].path;
    if (fileNamesOnly_) name = name.substr(name.rfind('\\') + 1);
    name.resize(std::min(name.size(), kExeFileLength));
    return name;
  }

 private:
  const std::vector<SimProcess>& processes_;
  bool fileNamesOnly_;
  std::size_t next_ = 0;
};

class SimPrivilegeToken final : public PrivilegeToken {
 public:
  SimPrivilegeToken(const SimShutdownPrivilege& privilege, std::uint32_t access)
      : privilege_(privilege), access_(access) {}

  long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t /*attributes*/) override {
    if ((access_ & kTokenAdjustPrivileges) == 0) return kErrorAccessDenied;
    return luid == kShutdownPrivilegeLuid && privilege_.held ? kErrorSuccess : kErrorNotAllAssigned;
  }

 private:
  const SimShutdownPrivilege& privilege_;
  std::uint32_t access_;
};

}  // namespace

bool AccessGranted(std::uint32_t access, const std::optional<std::vector<std::uint32_t>>& granted) {
  if (!granted) return true;
  return std::any_of(granted->begin(), granted->end(),
                     [&](std::uint32_t mask) { return (access & ~mask) == 0; });
}

std::unique_ptr<ServiceManager> SimServicesProcesses::OpenSCManagerA(const std::string& machine,
                                                                     std::uint32_t access,
                                                                     long& error) {
  if (!machine.empty()) {
    error = kErrorRpcServerUnavailable;
    return nullptr;
  }
  if (!AccessGranted(access, config_.services.managerAccess)) {
    error = kErrorAccessDenied;
    return nullptr;
  }
  error = kErrorSuccess;
  return std::make_unique<SimServiceManager>(config_.services, access);
}

std::optional<std::vector<std::uint32_t>> SimServicesProcesses::EnumProcesses(
    std::uint32_t bufferSize) {
  if (config_.processes.enumError != kErrorSuccess) return std::nullopt;
  std::vector<std::uint32_t> ids;
  for (const SimProcess& process : config_.processes.list) {
    if (ids.size() >= bufferSize / kProcessIdSize) break;
    ids.push_back(process.id);
  }
  return ids;
}

std::unique_ptr<ProcessHandle> SimServicesProcesses::OpenProcess(std::uint32_t access,
                                                                 std::uint32_t processId,
                                                                 long& error) {
  const auto& list = config_.processes.list;
  const auto found = std::find_if(
      list.begin(), list.end(), [&](const SimProcess& process) { return process.id == processId; });
  // The idle process (id 0) is listed by EnumProcesses but never opens, whoever asks.
  if (processId == kIdleProcessId || found == list.end()) {
    error = kErrorInvalidParameter;
    return nullptr;
  }
  if (found->openError != kErrorSuccess) {
    error = found->openError;
    return nullptr;
  }
  error = kErrorSuccess;
  return std::make_unique<SimProcessHandle>(*found, access);
}

std::unique_ptr<ProcessSnapshot> SimServicesProcesses::CreateToolhelp32Snapshot(long& error) {
  if (config_.processes.snapshotError != kErrorSuccess) {
    error = config_.processes.snapshotError;
    return nullptr;
  }
  error = kErrorSuccess;
  const bool nt = config_.version && config_.version->platformId == kPlatformNt;
  return std::make_unique<SimProcessSnapshot>(config_.processes.list, nt);
}

long SimServicesProcesses::OpenMutexA(std::uint32_t access, const std::string& name) {
  for (const SimMutex& mutex : config_.mutexes) {
    if (mutex.name != name) continue;
    return AccessGranted(access, mutex.access) ? kErrorSuccess : kErrorAccessDenied;
  }
  return kErrorFileNotFound;
}

std::unique_ptr<PrivilegeToken> SimServicesProcesses::OpenProcessToken(std::uint32_t access,
                                                                       long& error) {
  error = config_.shutdownPrivilege.tokenError;
  if (error != kErrorSuccess) return nullptr;
  return std::make_unique<SimPrivilegeToken>(config_.shutdownPrivilege, access);
}

std::optional<std::uint64_t> SimServicesProcesses::LookupPrivilegeValueA(const std::string& name,
                                                                         long& error) {
  error = config_.shutdownPrivilege.lookupError;
  if (error != kErrorSuccess) return std::nullopt;
  if (UpcaseAscii(name) != kShutdownPrivilegeName) {
    error = kErrorNoSuchPrivilege;
    return std::nullopt;
  }
  return kShutdownPrivilegeLuid;
}

}  // namespace kdx
