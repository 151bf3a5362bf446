#include <algorithm>

#include "platform/capture/capture_areas.h"
#include "platform/upcase.h"

namespace kdx {

namespace {

/// The service of that name in the record, added at the end of the list when it is new.
SimService& ServiceNamed(SimServices& services, const std::string& name) {
  const std::string key = UpcaseAscii(name);
  auto& list = services.list;
  const auto found = std::find_if(list.begin(), list.end(),
                                  [&](const SimService& s) { return UpcaseAscii(s.name) == key; });
  if (found != list.end()) return *found;
  SimService added;
  added.name = name;
  added.state = kServiceStopped;
  return list.emplace_back(std::move(added));
}

SimProcess& ProcessWithId(SimProcesses& processes, std::uint32_t id) {
  auto& list = processes.list;
  const auto found =
      std::find_if(list.begin(), list.end(), [&](const SimProcess& p) { return p.id == id; });
  if (found != list.end()) return *found;
  SimProcess added;
  added.id = id;
  return list.emplace_back(std::move(added));
}

// The handles find their entry anew at each call: the lists grow while they are open.

class CaptureServiceHandle final : public ForwardingServiceHandle {
 public:
  CaptureServiceHandle(std::unique_ptr<ServiceHandle> inner, SimServices& services,
                       std::string name)
      : ForwardingServiceHandle(std::move(inner)), services_(services), name_(std::move(name)) {}
  long QueryServiceStatus(std::uint32_t& state) override {
    const long error = Inner().QueryServiceStatus(state);
    SimService& service = ServiceNamed(services_, name_);
    if (error == kErrorSuccess) {
      service.state = state;
    } else {
      service.queryError = error;
    }
    return error;
  }

 private:
  SimServices& services_;
  std::string name_;
};

class CaptureServiceManager final : public ForwardingServiceManager {
 public:
  CaptureServiceManager(std::unique_ptr<ServiceManager> inner, SimServices& services)
      : ForwardingServiceManager(std::move(inner)), services_(services) {}

  std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                              long& error) override {
    auto handle = Inner().OpenServiceA(name, access, error);
    if (!handle && error == kErrorServiceDoesNotExist) return handle;
    SimService& service = ServiceNamed(services_, name);
    if (!handle) {
      // Only a refusal can be stated; the replay grants any other open.
      if (error == kErrorAccessDenied) service.access = std::vector<std::uint32_t>{};
      return handle;
    }
    return std::make_unique<CaptureServiceHandle>(std::move(handle), services_, name);
  }
  std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t serviceType,
                                                      std::uint32_t serviceState,
                                                      std::uint32_t bufferSize,
                                                      long& error) override {
    auto entries = Inner().EnumServicesStatusA(serviceType, serviceState, bufferSize, error);
    if (error != kErrorSuccess && error != kErrorMoreData) {
      services_.enumError = error;
      return entries;
    }
    // The manager's order comes first; services only opened by name follow it.
    std::vector<SimService> ordered;
    for (const ServiceStatusEntry& entry : entries) {
      SimService service = ServiceNamed(services_, entry.serviceName);
      service.name = entry.serviceName;
      service.displayName = entry.displayName;
      service.state = entry.currentState;
      ordered.push_back(std::move(service));
    }
    for (const SimService& known : services_.list) {
      const bool listed = std::any_of(ordered.begin(), ordered.end(), [&](const SimService& s) {
        return UpcaseAscii(s.name) == UpcaseAscii(known.name);
      });
      if (!listed) ordered.push_back(known);
    }
    services_.list = std::move(ordered);
    return entries;
  }

 private:
  SimServices& services_;
};

class CaptureProcessHandle final : public ForwardingProcessHandle {
 public:
  CaptureProcessHandle(std::unique_ptr<ProcessHandle> inner, SimProcesses& processes,
                       std::uint32_t id)
      : ForwardingProcessHandle(std::move(inner)), processes_(processes), id_(id) {}
  std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t bufferSize) override {
    auto module = Inner().EnumProcessModules(bufferSize);
    if (!module) ProcessWithId(processes_, id_).modulesError = kErrorAccessDenied;
    return module;
  }
  std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                  std::uint32_t size) override {
    auto path = Inner().GetModuleFileNameExA(module, size);
    SimProcess& process = ProcessWithId(processes_, id_);
    if (path) {
      process.path = *path;
    } else {
      process.pathError = kErrorAccessDenied;
    }
    return path;
  }

 private:
  SimProcesses& processes_;
  std::uint32_t id_;
};

/// Tool Help names processes without ids the replay could ask by: each gets the next one.
class CaptureSnapshot final : public ForwardingProcessSnapshot {
 public:
  CaptureSnapshot(std::unique_ptr<ProcessSnapshot> inner, SimProcesses& processes)
      : ForwardingProcessSnapshot(std::move(inner)), processes_(processes) {}
  std::optional<std::string> Process32First() override { return Note(Inner().Process32First()); }
  std::optional<std::string> Process32Next() override { return Note(Inner().Process32Next()); }

 private:
  std::optional<std::string> Note(std::optional<std::string> name) {
    if (name && processes_.enumError == kErrorSuccess && processes_.list.size() < 100000) {
      SimProcess process;
      process.id = static_cast<std::uint32_t>(processes_.list.size() + 1) * 4;
      process.path = *name;
      processes_.list.push_back(std::move(process));
    }
    return name;
  }

  SimProcesses& processes_;
};

class CapturePrivilegeToken final : public ForwardingPrivilegeToken {
 public:
  CapturePrivilegeToken(std::unique_ptr<PrivilegeToken> inner, SimShutdownPrivilege& record)
      : ForwardingPrivilegeToken(std::move(inner)), record_(record) {}
  long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t attributes) override {
    const long error = Inner().AdjustTokenPrivileges(luid, attributes);
    if (error == kErrorNotAllAssigned) record_.held = false;
    return error;
  }

 private:
  SimShutdownPrivilege& record_;
};

}  // namespace

std::unique_ptr<ServiceManager> CaptureServices::OpenSCManagerA(const std::string& machine,
                                                                std::uint32_t access, long& error) {
  auto manager = Inner().OpenSCManagerA(machine, access, error);
  if (!manager) {
    if (machine.empty() && error == kErrorAccessDenied) {
      record_.machine.services.managerAccess = std::vector<std::uint32_t>{};
    }
    return manager;
  }
  return std::make_unique<CaptureServiceManager>(std::move(manager), record_.machine.services);
}

std::optional<std::vector<std::uint32_t>> CaptureServices::EnumProcesses(std::uint32_t bufferSize) {
  auto ids = Inner().EnumProcesses(bufferSize);
  SimProcesses& processes = record_.machine.processes;
  if (!ids) {
    processes.enumError = kErrorAccessDenied;
    return ids;
  }
  for (const std::uint32_t id : *ids) ProcessWithId(processes, id);
  return ids;
}

std::unique_ptr<ProcessHandle> CaptureServices::OpenProcess(std::uint32_t access,
                                                            std::uint32_t processId, long& error) {
  auto process = Inner().OpenProcess(access, processId, error);
  SimProcesses& processes = record_.machine.processes;
  if (!process) {
    ProcessWithId(processes, processId).openError = error;
    return process;
  }
  ProcessWithId(processes, processId);
  return std::make_unique<CaptureProcessHandle>(std::move(process), processes, processId);
}

std::unique_ptr<ProcessSnapshot> CaptureServices::CreateToolhelp32Snapshot(long& error) {
  auto snapshot = Inner().CreateToolhelp32Snapshot(error);
  if (!snapshot) {
    record_.machine.processes.snapshotError = error;
    return snapshot;
  }
  return std::make_unique<CaptureSnapshot>(std::move(snapshot), record_.machine.processes);
}

long CaptureServices::OpenMutexA(std::uint32_t access, const std::string& name) {
  const long error = Inner().OpenMutexA(access, name);
  if (error != kErrorSuccess && error != kErrorAccessDenied) return error;
  auto& mutexes = record_.machine.mutexes;
  auto known = std::find_if(mutexes.begin(), mutexes.end(),
                            [&](const SimMutex& mutex) { return mutex.name == name; });
  if (known == mutexes.end()) known = mutexes.insert(mutexes.end(), SimMutex{name, std::nullopt});
  known->access = error == kErrorAccessDenied
                      ? std::optional<std::vector<std::uint32_t>>(std::vector<std::uint32_t>{})
                      : std::nullopt;
  return error;
}

std::unique_ptr<PrivilegeToken> CaptureServices::OpenProcessToken(std::uint32_t access,
                                                                  long& error) {
  auto token = Inner().OpenProcessToken(access, error);
  if (!token) {
    record_.machine.shutdownPrivilege.tokenError = error;
    return token;
  }
  return std::make_unique<CapturePrivilegeToken>(std::move(token),
                                                 record_.machine.shutdownPrivilege);
}

std::optional<std::uint64_t> CaptureServices::LookupPrivilegeValueA(const std::string& name,
                                                                    long& error) {
  auto luid = Inner().LookupPrivilegeValueA(name, error);
  if (!luid) record_.machine.shutdownPrivilege.lookupError = error;
  return luid;
}

}  // namespace kdx
