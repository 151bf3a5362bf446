#pragma once

#include <filesystem>

#include "platform/machine/machine_config.h"
#include "platform/platform.h"
#include "platform/sim/sim_event_logs.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_registry.h"
#include "platform/sim/sim_services_processes.h"
#include "platform/sim/sim_spooler.h"
#include "platform/sim/sim_system.h"

namespace kdx {

/// A simulated Windows machine served from a machine directory: machine.json, registry/*.reg,
/// one host folder per drive (drive_c/ for C:\) and the event logs in eventlog/.
class SimPlatform final : public Platform {
 public:
  /// Loads the machine directory; throws MachineError naming the faulty file and line.
  explicit SimPlatform(const std::filesystem::path& machineDir);

  SimRegistry& Registry() override { return registry_; }
  SimSystem& System() override { return system_; }
  SimFiles& Files() override { return files_; }
  SimServicesProcesses& Services() override { return services_; }
  SimSpooler& Spooler() override { return spooler_; }
  SimEventLogs& EventLogs() override { return eventLogs_; }

 private:
  MachineConfig config_;
  SimRegistry registry_;
  SimSystem system_;
  SimFiles files_;
  SimServicesProcesses services_;
  SimSpooler spooler_;
  SimEventLogs eventLogs_;
};

}  // namespace kdx
