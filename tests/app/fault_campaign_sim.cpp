#include <filesystem>

#include "app/fault_campaign.h"
#include "platform/sim/sim_platform.h"

namespace kdx::test {

std::vector<CampaignMachine> OpenCampaignMachines(const std::vector<std::string>& arguments) {
  std::vector<CampaignMachine> machines;
  machines.reserve(arguments.size());
  // One machine serves every run: its directory is read once.
  for (const std::string& dir : arguments) {
    machines.push_back(
        {std::filesystem::path(dir).filename().string(), std::make_unique<SimPlatform>(dir)});
  }
  return machines;
}

}  // namespace kdx::test
