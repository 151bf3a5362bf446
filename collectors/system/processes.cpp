#include "collectors/system/processes.h"

#include <array>

#include "collectors/system/nt_service_list.h"
#include "platform/system_error_text.h"

namespace kdx {

namespace {

constexpr char kServicesHeading[] = "Services:";
constexpr char kProcessesHeading[] = "Laufende Prozesse:";
constexpr char kServiceKey[] = "Service";
constexpr char kErrorKey[] = "Error";
constexpr char kMonitorService[] = "KDXMONX";
constexpr char kSpoolerService[] = "SPOOLER";
constexpr char kMonitorGuardService[] = "KDXMONGUARD";
constexpr char kUsbService[] = "KDXUSB";

constexpr std::array<const char*, 7> kStateTexts = {"STOPPED", "START PENDING",    "STOP PENDING",
                                                    "RUNNING", "CONTINUE PENDING", "PAUSE PENDING",
                                                    "PAUSED"};
constexpr char kUnknownState[] = "!unbekannter Status!";

constexpr char kPmMutex[] = "KdxPmMutex";
constexpr char kMutexOpened[] = "successfully created";

constexpr char kSnapshotFailed[] = "CreateToolhelp32Snapshot failed";
constexpr char kSnapshotCaption[] = "Tarnwel Duvoridedud";

constexpr std::uint32_t kProcessIdBufferSize = 4096;
constexpr std::uint32_t kModuleBufferSize = 4100;
constexpr std::uint32_t kModulePathSize = 261;
constexpr char kUnknownPath[] = "unknown";

/// "Error <code>: <system text>".
std::string ErrorText(RunContext& context, long error) {
  return "Error " + std::to_string(error) + ": " +
         SystemErrorText(context.platform.System(), static_cast<std::uint32_t>(error));
}

void AddServiceRows(RunContext& context) {
  context.AddReportRow(kServicesHeading, "");
  {
    // One connection serves the four services; under Wine each one is a call to another
    // process.
    const ServiceManagerConnection connection = ConnectServiceManager(context);
    context.monitorRunning = QueryServiceState(context, connection, kMonitorService);
    context.spoolerRunning = QueryServiceState(context, connection, kSpoolerService);
    QueryServiceState(context, connection, kMonitorGuardService);
    QueryServiceState(context, connection, kUsbService);
  }
  context.AddReportRow("", "");
  TNTServiceList serviceList(context);
  for (const std::string& line : serviceList.ServiceList()) context.AddReportRow("", line);
  context.AddReportRow("", "");
}

void AddNtProcessRows(RunContext& context) {
  const auto ids = context.platform.Services().EnumProcesses(kProcessIdBufferSize);
  if (!ids) return;
  for (const std::uint32_t id : *ids) AddProcessPathRow(context, id);
}

void AddSnapshotProcessRows(RunContext& context) {
  long error = kErrorSuccess;
  const auto snapshot = context.platform.Services().CreateToolhelp32Snapshot(error);
  if (!snapshot) {
    context.frontEnd.ShowMessageBox(kSnapshotFailed, kSnapshotCaption);
    return;
  }
  for (auto name = snapshot->Process32First(); name; name = snapshot->Process32Next()) {
    context.AddReportRow("", *name);
  }
}

}  // namespace

std::string ServiceStateText(const std::string& name, std::uint32_t state) {
  const bool known = state >= 1 && state <= kStateTexts.size();
  // The code as the system's DWORD printed with %d.
  return name + " Status " + std::to_string(static_cast<std::int32_t>(state)) + ": " +
         (known ? kStateTexts[state - 1] : kUnknownState);
}

bool QueryServiceState(RunContext& context, const std::string& name) {
  return QueryServiceState(context, ConnectServiceManager(context), name);
}

ServiceManagerConnection ConnectServiceManager(RunContext& context) {
  ServiceManagerConnection connection;
  // The least access the query needs: with full access every user without administrator
  // rights is refused, and a running service would read as not started.
  connection.manager = context.platform.Services().OpenSCManagerA(
      "", kScManagerConnect | kScManagerEnumerateService, connection.error);
  return connection;
}

bool QueryServiceState(RunContext& context, const ServiceManagerConnection& connection,
                       const std::string& name) {
  long error = connection.error;
  if (!connection.manager) {
    context.AddReportRow(kErrorKey, "OpenScManager failed " + ErrorText(context, error));
    return false;
  }
  const auto service = connection.manager->OpenServiceA(name, kServiceQueryStatus, error);
  if (!service) {
    context.AddReportRow(kErrorKey, "OpenService " + name + " failed " + ErrorText(context, error));
    return false;
  }
  std::uint32_t state = 0;
  error = service->QueryServiceStatus(state);
  if (error != kErrorSuccess) {
    context.AddReportRow(kErrorKey,
                         "QueryService " + name + " failed " + ErrorText(context, error));
    return false;
  }
  context.AddReportRow(kServiceKey, ServiceStateText(name, state));
  return state == kServiceRunning;
}

void AddProcessPathRow(RunContext& context, std::uint32_t processId) {
  long error = kErrorSuccess;
  const auto process =
      context.platform.Services().OpenProcess(kProcessQueryInformationVmRead, processId, error);
  if (!process) return;
  const auto module = process->EnumProcessModules(kModuleBufferSize);
  if (!module) return;
  context.AddReportRow(
      "", process->GetModuleFileNameExA(*module, kModulePathSize).value_or(kUnknownPath));
}

std::string CheckPmMutex(RunContext& context) {
  const long error = context.platform.Services().OpenMutexA(kMutexAllAccess, kPmMutex);
  return error == kErrorSuccess ? kMutexOpened : ErrorText(context, error);
}

void CollectProcesses(RunContext& context) {
  if (context.isNT) AddServiceRows(context);
  context.AddReportRow(kProcessesHeading, "");
  if (context.isNT) {
    AddNtProcessRows(context);
  } else {
    AddSnapshotProcessRows(context);
  }
}

}  // namespace kdx
