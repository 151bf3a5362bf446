#include "collectors/system/nt_service_list.h"

#include <array>

namespace kdx {

namespace {

constexpr std::array<const char*, 7> kStateNames = {"STOPPED", "START_PENDING",    "STOP_PENDING",
                                                    "RUNNING", "CONTINUE_PENDING", "PAUSE_PENDING",
                                                    "PAUSED"};
constexpr char kShutdownPrivilege[] = "seshutdownprivilege";
constexpr char kOldStatus[] = "n/a";
/// One call's buffer; the program lists what fits into it.
constexpr std::uint32_t kEnumerationBufferSize = 36864;

}  // namespace

std::string ServiceStateName(std::uint32_t state) {
  return state >= 1 && state <= kStateNames.size() ? kStateNames[state - 1] : "";
}

bool EnableShutdownPrivilege(ServicesProcesses& services) {
  long error = kErrorSuccess;
  const auto token = services.OpenProcessToken(kTokenAdjustPrivilegesQuery, error);
  if (!token) return false;
  const auto luid = services.LookupPrivilegeValueA(kShutdownPrivilege, error);
  if (!luid) return false;
  return token->AdjustTokenPrivileges(*luid, kSePrivilegeEnabled) == kErrorSuccess;
}

const std::vector<std::string>& TNTServiceList::ServiceList() {
  UpdateServiceList();
  return serviceList_;
}

void TNTServiceList::UpdateServiceList() {
  manager_.reset();
  ServicesProcesses& services = owner_.platform.Services();
  if (!EnableShutdownPrivilege(services)) return;
  long error = kErrorSuccess;
  // Connect and enumerate are all the listing needs: full access is refused to every user
  // without administrator rights, whose list would then stay empty.
  manager_ =
      services.OpenSCManagerA(server_, kScManagerConnect | kScManagerEnumerateService, error);
  if (!manager_) return;
  const std::vector<ServiceStatusEntry> entries = manager_->EnumServicesStatusA(
      kServiceWin32AndDrivers, kServiceStateAll, kEnumerationBufferSize, error);
  for (const ServiceStatusEntry& entry : entries) {
    owner_.ProcessMessages();
    if (owner_.frontEnd.Terminated()) return;
    const std::string state = ServiceStateName(entry.currentState);
    serviceList_.push_back(entry.serviceName + "(" + entry.displayName + "): " + state);
    if (eventEnabled_ && onStatusChange_) {
      onStatusChange_(*this, entry.displayName, entry.serviceName, state, kOldStatus);
    }
  }
}

}  // namespace kdx
