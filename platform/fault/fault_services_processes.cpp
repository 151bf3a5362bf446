#include "platform/fault/fault_areas.h"
#include "platform/forwarding.h"

namespace kdx {

namespace {

/// An object-handing call that fails as Windows does: no object, the error set.
template <typename Object, typename Real, typename Subject>
std::unique_ptr<Object> Opened(FaultSchedule& schedule, FaultCall kind, long& error, Real&& real,
                               Subject&& subject) {
  return schedule.Call(
      kind, real,
      [&](long code) {
        error = code;
        return std::unique_ptr<Object>();
      },
      IsEmptyAnswer<std::unique_ptr<Object>>, subject);
}

/// A query that gives nothing when it fails.
template <typename Real, typename Subject>
auto Nothing(FaultSchedule& schedule, FaultCall kind, Real&& real, Subject&& subject) {
  using Answer = decltype(real());
  return schedule.Call(
      kind, real, [](long) { return Answer(); }, IsEmptyAnswer<Answer>, subject);
}

class FaultServiceHandle final : public ForwardingServiceHandle {
 public:
  FaultServiceHandle(std::unique_ptr<ServiceHandle> inner, FaultSchedule& schedule,
                     std::string name)
      : ForwardingServiceHandle(std::move(inner)), schedule_(schedule), name_(std::move(name)) {}

  long QueryServiceStatus(std::uint32_t& state) override {
    return schedule_.Call(
        FaultCall::QueryServiceStatus, [&] { return Inner().QueryServiceStatus(state); }, CodeOnly,
        IsErrorCode, [&] { return name_; });
  }

 private:
  FaultSchedule& schedule_;
  std::string name_;
};

/// The service manager: a list that fails with ERROR_MORE_DATA stops after half its entries,
/// as the list of a manager that gained services meanwhile.
class FaultServiceManager final : public ForwardingServiceManager {
 public:
  FaultServiceManager(std::unique_ptr<ServiceManager> inner, FaultSchedule& schedule)
      : ForwardingServiceManager(std::move(inner)), schedule_(schedule) {}

  std::unique_ptr<ServiceHandle> OpenServiceA(const std::string& name, std::uint32_t access,
                                              long& error) override {
    auto service = Opened<ServiceHandle>(
        schedule_, FaultCall::OpenServiceA, error,
        [&] { return Inner().OpenServiceA(name, access, error); }, [&] { return name; });
    if (!service) return service;
    return std::make_unique<FaultServiceHandle>(std::move(service), schedule_, name);
  }
  std::vector<ServiceStatusEntry> EnumServicesStatusA(std::uint32_t serviceType,
                                                      std::uint32_t serviceState,
                                                      std::uint32_t bufferSize,
                                                      long& error) override {
    const auto real = [&] {
      return Inner().EnumServicesStatusA(serviceType, serviceState, bufferSize, error);
    };
    return schedule_.Call(
        FaultCall::EnumServicesStatusA, real,
        [&](long code) {
          std::vector<ServiceStatusEntry> entries;
          if (code == kErrorMoreData) {
            entries = real();
            entries.resize(entries.size() / 2);
          }
          error = code;
          return entries;
        },
        [&](const std::vector<ServiceStatusEntry>&) {
          return error != kErrorSuccess && error != kErrorMoreData;
        },
        NoSubject);
  }

 private:
  FaultSchedule& schedule_;
};

class FaultProcessHandle final : public ForwardingProcessHandle {
 public:
  FaultProcessHandle(std::unique_ptr<ProcessHandle> inner, FaultSchedule& schedule, std::string id)
      : ForwardingProcessHandle(std::move(inner)), schedule_(schedule), id_(std::move(id)) {}

  std::optional<std::uintptr_t> EnumProcessModules(std::uint32_t bufferSize) override {
    return Nothing(
        schedule_, FaultCall::EnumProcessModules,
        [&] { return Inner().EnumProcessModules(bufferSize); }, [&] { return id_; });
  }
  std::optional<std::string> GetModuleFileNameExA(std::uintptr_t module,
                                                  std::uint32_t size) override {
    return Nothing(
        schedule_, FaultCall::GetModuleFileNameExA,
        [&] { return Inner().GetModuleFileNameExA(module, size); }, [&] { return id_; });
  }

 private:
  FaultSchedule& schedule_;
  std::string id_;
};

class FaultProcessSnapshot final : public ForwardingProcessSnapshot {
 public:
  FaultProcessSnapshot(std::unique_ptr<ProcessSnapshot> inner, FaultSchedule& schedule)
      : ForwardingProcessSnapshot(std::move(inner)), schedule_(schedule) {}

  std::optional<std::string> Process32First() override {
    return Nothing(
        schedule_, FaultCall::Process32First, [&] { return Inner().Process32First(); }, NoSubject);
  }
  std::optional<std::string> Process32Next() override {
    return Nothing(
        schedule_, FaultCall::Process32Next, [&] { return Inner().Process32Next(); }, NoSubject);
  }

 private:
  FaultSchedule& schedule_;
};

class FaultPrivilegeToken final : public ForwardingPrivilegeToken {
 public:
  FaultPrivilegeToken(std::unique_ptr<PrivilegeToken> inner, FaultSchedule& schedule)
      : ForwardingPrivilegeToken(std::move(inner)), schedule_(schedule) {}

  long AdjustTokenPrivileges(std::uint64_t luid, std::uint32_t attributes) override {
    return schedule_.Call(
        FaultCall::AdjustTokenPrivileges,
        [&] { return Inner().AdjustTokenPrivileges(luid, attributes); }, CodeOnly, IsErrorCode,
        NoSubject);
  }

 private:
  FaultSchedule& schedule_;
};

/// Fails the service manager, the process calls, the mutex and the privilege calls as
/// advapi32, kernel32 and PSAPI do: no handle and the code, or nothing where a call gives
/// nothing on failure.
class FaultServices final : public ForwardingServicesProcesses {
 public:
  FaultServices(ServicesProcesses& inner, FaultSchedule& schedule)
      : ForwardingServicesProcesses(inner), schedule_(schedule) {}

  std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine, std::uint32_t access,
                                                 long& error) override {
    auto manager = Opened<ServiceManager>(
        schedule_, FaultCall::OpenSCManagerA, error,
        [&] { return Inner().OpenSCManagerA(machine, access, error); }, NoSubject);
    if (!manager) return manager;
    return std::make_unique<FaultServiceManager>(std::move(manager), schedule_);
  }
  std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) override {
    return Nothing(
        schedule_, FaultCall::EnumProcesses, [&] { return Inner().EnumProcesses(bufferSize); },
        NoSubject);
  }
  std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                             long& error) override {
    const std::string id = std::to_string(processId);
    auto process = Opened<ProcessHandle>(
        schedule_, FaultCall::OpenProcess, error,
        [&] { return Inner().OpenProcess(access, processId, error); },
        [&] { return std::string(id); });
    if (!process) return process;
    return std::make_unique<FaultProcessHandle>(std::move(process), schedule_, id);
  }
  std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) override {
    auto snapshot = Opened<ProcessSnapshot>(
        schedule_, FaultCall::CreateToolhelp32Snapshot, error,
        [&] { return Inner().CreateToolhelp32Snapshot(error); }, NoSubject);
    if (!snapshot) return snapshot;
    return std::make_unique<FaultProcessSnapshot>(std::move(snapshot), schedule_);
  }
  long OpenMutexA(std::uint32_t access, const std::string& name) override {
    return schedule_.Call(
        FaultCall::OpenMutexA, [&] { return Inner().OpenMutexA(access, name); }, CodeOnly,
        IsErrorCode, [&] { return name; });
  }
  std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) override {
    auto token = Opened<PrivilegeToken>(
        schedule_, FaultCall::OpenPrivilegeToken, error,
        [&] { return Inner().OpenProcessToken(access, error); }, NoSubject);
    if (!token) return token;
    return std::make_unique<FaultPrivilegeToken>(std::move(token), schedule_);
  }
  std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name,
                                                     long& error) override {
    return schedule_.Call(
        FaultCall::LookupPrivilegeValueA,
        [&] { return Inner().LookupPrivilegeValueA(name, error); },
        [&](long code) {
          error = code;
          return std::optional<std::uint64_t>();
        },
        IsEmptyAnswer<std::optional<std::uint64_t>>, [&] { return name; });
  }

 private:
  FaultSchedule& schedule_;
};

}  // namespace

std::unique_ptr<ServicesProcesses> NewFaultServices(ServicesProcesses& inner,
                                                    FaultSchedule& schedule) {
  return std::make_unique<FaultServices>(inner, schedule);
}

}  // namespace kdx
