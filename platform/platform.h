#pragma once

#include "platform/event_logs.h"
#include "platform/file_system.h"
#include "platform/registry_store.h"
#include "platform/services_processes.h"
#include "platform/spooler.h"
#include "platform/system_facts.h"

namespace kdx {

/// The machine the collectors and the report writer look at, one interface per area. The
/// Win32 build serves every area from the running system, the host build from a simulated
/// machine directory; collectors use nothing else. Each area's header says how it fails.
class Platform {
 public:
  virtual ~Platform() = default;

  virtual RegistryStore& Registry() = 0;
  virtual SystemFacts& System() = 0;
  virtual FileSystem& Files() = 0;
  virtual ServicesProcesses& Services() = 0;
  virtual PrintSpooler& Spooler() = 0;
  virtual kdx::EventLogs& EventLogs() = 0;
};

}  // namespace kdx
