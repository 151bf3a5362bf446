#include "app/fault_campaign.h"
#include "platform/win32/win32_platform.h"

namespace kdx::test {

std::vector<CampaignMachine> OpenCampaignMachines(const std::vector<std::string>& arguments) {
  std::vector<CampaignMachine> machines;
  if (arguments.empty()) machines.push_back({"win32", std::make_unique<Win32Platform>()});
  return machines;
}

}  // namespace kdx::test
