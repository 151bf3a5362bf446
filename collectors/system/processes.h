#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "run/run_context.h"

namespace kdx {

/// On NT the services block (four named services, then every service) and on every system
/// the running processes; records in context whether KDXMONX and the spooler run.
void CollectProcesses(RunContext& context);

/// Appends one row with the state of a service, or the error that kept it from being read;
/// true only when the service runs.
bool QueryServiceState(RunContext& context, const std::string& name);

/// The service manager opened for status queries, or the error that kept it shut.
struct ServiceManagerConnection {
  std::unique_ptr<ServiceManager> manager;
  long error = 0;
};
ServiceManagerConnection ConnectServiceManager(RunContext& context);
/// QueryServiceState through a connection that several queries share; a connection that
/// failed gives each of them its error row.
bool QueryServiceState(RunContext& context, const ServiceManagerConnection& connection,
                       const std::string& name);

/// The row text of a service's state code: "%s Status %d: RUNNING" and the like.
std::string ServiceStateText(const std::string& name, std::uint32_t state);

/// Appends the program path of an NT process, "unknown" where the path cannot be read;
/// nothing for a process that cannot be opened or whose modules cannot be listed.
void AddProcessPathRow(RunContext& context, std::uint32_t processId);

/// The row text of the mutex "KdxPmMutex": "successfully created" when it exists, else the
/// error of opening it.
std::string CheckPmMutex(RunContext& context);

}  // namespace kdx
