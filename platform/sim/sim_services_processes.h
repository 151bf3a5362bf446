#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/machine/machine_config.h"
#include "platform/services_processes.h"

namespace kdx {

/// The services, processes, mutexes and shutdown privilege of a simulated machine, as
/// machine.json states them. Opens are refused as Windows refuses them: with
/// kErrorAccessDenied where the access asked for is no subset of a granted mask, and a
/// handle serves only the calls its access allows.
class SimServicesProcesses final : public ServicesProcesses {
 public:
  explicit SimServicesProcesses(const MachineConfig& config) : config_(config) {}

  /// Only the local computer is there: any other gives kErrorRpcServerUnavailable.
  std::unique_ptr<ServiceManager> OpenSCManagerA(const std::string& machine, std::uint32_t access,
                                                 long& error) override;
  std::optional<std::vector<std::uint32_t>> EnumProcesses(std::uint32_t bufferSize) override;
  std::unique_ptr<ProcessHandle> OpenProcess(std::uint32_t access, std::uint32_t processId,
                                             long& error) override;
  /// Program names as the machine's family gives them: the full path on Windows 95 to ME,
  /// the file name alone on NT.
  std::unique_ptr<ProcessSnapshot> CreateToolhelp32Snapshot(long& error) override;
  long OpenMutexA(std::uint32_t access, const std::string& name) override;
  std::unique_ptr<PrivilegeToken> OpenProcessToken(std::uint32_t access, long& error) override;
  /// Knows SeShutdownPrivilege alone.
  std::optional<std::uint64_t> LookupPrivilegeValueA(const std::string& name, long& error) override;

 private:
  const MachineConfig& config_;
};

/// True when access asks for nothing beyond one of the granted masks; no list grants all.
bool AccessGranted(std::uint32_t access, const std::optional<std::vector<std::uint32_t>>& granted);

}  // namespace kdx
