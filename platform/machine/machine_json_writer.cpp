#include "platform/machine/machine_json_writer.h"

#include <cstdio>
#include <nlohmann/json.hpp>

#include "platform/machine/machine_json_members.h"
#include "platform/text_encoding.h"
#include "platform/wow64_view.h"

namespace kdx {

namespace {

// Members in the order the reader's documentation lists them.
using json = nlohmann::ordered_json;
namespace m = machine_json::members;

json Text(const std::string& cp1252) { return Cp1252ToUtf8(cp1252); }

json OptionalText(const std::optional<std::string>& cp1252) {
  return cp1252 ? Text(*cp1252) : json(nullptr);
}

// Error codes and masks are whole numbers without sign, as the reader takes them.
json Code(long code) { return static_cast<std::uint32_t>(code); }

json Masks(const std::vector<std::uint32_t>& masks) {
  json list = json::array();
  for (const std::uint32_t mask : masks) list.push_back(mask);
  return list;
}

std::string LocalTimeText(const SystemTime& time) {
  char text[64];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", time.year, time.month, time.day,
                time.hour, time.minute, time.second);
  return text;
}

std::string SidText(const Sid& sid) {
  std::string text = "S-1-" + std::to_string(sid.authority);
  for (const std::uint32_t sub : sid.subAuthorities) text += "-" + std::to_string(sub);
  return text;
}

json VersionJson(const OsVersionInfo& version) {
  namespace names = m::version;
  return {{names::kMajor, version.majorVersion},
          {names::kMinor, version.minorVersion},
          {names::kBuild, version.buildNumber},
          {names::kPlatformId, version.platformId},
          {names::kServicePack, Text(version.servicePack)}};
}

json TokenJson(const SimToken& token) {
  namespace names = m::token;
  json object = json::object();
  if (token.openError != kErrorSuccess) object[names::kError] = Code(token.openError);
  if (!token.groups) {
    object[names::kGroupQueryFails] = true;
  } else {
    json groups = json::array();
    for (const Sid& sid : *token.groups) groups.push_back(SidText(sid));
    object[names::kGroups] = std::move(groups);
  }
  return object;
}

json LocaleJson(const LocaleFormats& locale) {
  namespace names = m::locale;
  return {{names::kShortDate, Text(locale.shortDate)},
          {names::kLongTime, Text(locale.longTime)},
          {names::kTimeSeparator, Text(locale.timeSeparator)}};
}

json FileJson(const SimFileFacts& file) {
  namespace names = m::file;
  json object = json::object();
  if (file.lastWrite) object[names::kLastWrite] = LocalTimeText(*file.lastWrite);
  if (file.attributes) object[names::kAttributes] = AttributeLettersOf(*file.attributes);
  if (file.openError != kErrorSuccess) object[names::kOpenError] = Code(file.openError);
  if (file.size) object[names::kSize] = *file.size;
  if (file.versionInfo) object[names::kVersionInfo] = HexText(*file.versionInfo);
  return object;
}

json ReportFileJson(const ReportFileFault& fault) {
  namespace names = m::report_file;
  json object = {{names::kFailAfterBytes, fault.failAfterBytes},
                 {names::kErrorCode, Code(fault.errorCode)}};
  if (fault.failures >= 0) object[names::kFailures] = fault.failures;
  return object;
}

json MemoryJson(const MemoryStatus& memory) {
  namespace names = m::memory;
  return {{names::kTotalPhys, memory.totalPhys},
          {names::kAvailPhys, memory.availPhys},
          {names::kTotalPageFile, memory.totalPageFile},
          {names::kAvailPageFile, memory.availPageFile}};
}

json DriveJson(const SimDrive& drive) {
  json object = {{m::drive::kType, drive.type}};
  if (drive.space) {
    namespace names = m::space;
    object[m::drive::kSpace] = {
        {names::kFreeAvailable, static_cast<std::uint64_t>(drive.space->freeAvailable)},
        {names::kTotal, static_cast<std::uint64_t>(drive.space->total)},
        {names::kTotalFree, static_cast<std::uint64_t>(drive.space->totalFree)}};
  }
  if (drive.clusters) {
    namespace names = m::clusters;
    object[m::drive::kClusters] = {{names::kSectorsPerCluster, drive.clusters->sectorsPerCluster},
                                   {names::kBytesPerSector, drive.clusters->bytesPerSector},
                                   {names::kFreeClusters, drive.clusters->freeClusters},
                                   {names::kTotalClusters, drive.clusters->totalClusters}};
  }
  return object;
}

json DrivesJson(const SimDrives& drives) {
  namespace names = m::drives;
  json roots = json::object();
  for (const auto& [letter, drive] : drives.roots)
    roots[std::string(1, letter) + ":\\"] = DriveJson(drive);
  json object = {{names::kRoots, std::move(roots)}};
  if (drives.mask) object[names::kMask] = *drives.mask;
  if (!drives.hasDiskFreeSpaceEx) object[names::kDiskFreeSpaceEx] = false;
  return object;
}

json ServicesJson(const SimServices& services) {
  json list = json::array();
  for (const SimService& service : services.list) {
    namespace names = m::service;
    json entry = {{names::kName, Text(service.name)},
                  {names::kDisplayName, Text(service.displayName)},
                  {names::kState, service.state}};
    if (service.access) entry[names::kAccess] = Masks(*service.access);
    if (service.queryError != kErrorSuccess) entry[names::kQueryError] = Code(service.queryError);
    list.push_back(std::move(entry));
  }
  namespace names = m::services;
  json object = json::object();
  if (services.managerAccess) object[names::kManagerAccess] = Masks(*services.managerAccess);
  if (services.enumError != kErrorSuccess) object[names::kEnumError] = Code(services.enumError);
  object[names::kList] = std::move(list);
  return object;
}

json ProcessesJson(const SimProcesses& processes) {
  json list = json::array();
  for (const SimProcess& process : processes.list) {
    namespace names = m::process;
    json entry = {{names::kId, process.id}, {names::kPath, Text(process.path)}};
    const std::pair<const char*, long> errors[] = {{names::kOpenError, process.openError},
                                                   {names::kModulesError, process.modulesError},
                                                   {names::kPathError, process.pathError}};
    for (const auto& [name, error] : errors) {
      if (error != kErrorSuccess) entry[name] = Code(error);
    }
    list.push_back(std::move(entry));
  }
  namespace names = m::processes;
  json object = {{names::kList, std::move(list)}};
  if (processes.enumError != kErrorSuccess) object[names::kEnumError] = Code(processes.enumError);
  if (processes.snapshotError != kErrorSuccess) {
    object[names::kSnapshotError] = Code(processes.snapshotError);
  }
  return object;
}

json MutexesJson(const std::vector<SimMutex>& mutexes) {
  json list = json::array();
  for (const SimMutex& mutex : mutexes) {
    json entry = {{m::mutex::kName, Text(mutex.name)}};
    if (mutex.access) entry[m::mutex::kAccess] = Masks(*mutex.access);
    list.push_back(std::move(entry));
  }
  return list;
}

json PrivilegeJson(const SimShutdownPrivilege& privilege) {
  namespace names = m::privilege;
  json object = json::object();
  if (privilege.tokenError != kErrorSuccess)
    object[names::kTokenError] = Code(privilege.tokenError);
  if (privilege.lookupError != kErrorSuccess) {
    object[names::kLookupError] = Code(privilege.lookupError);
  }
  if (!privilege.held) object[names::kHeld] = false;
  return object;
}

json SpoolerJson(const SimSpoolerLists& spooler) {
  json ports = json::array();
  for (const PortInfo2& port : spooler.ports) {
    ports.push_back({{m::port::kName, Text(port.portName)},
                     {m::port::kMonitor, Text(port.monitorName)},
                     {m::port::kDescription, Text(port.description)}});
  }
  json printers = json::array();
  for (const PrinterEntry& printer : spooler.printers) {
    printers.push_back({{m::printer::kName, Text(printer.printerName)},
                        {m::printer::kPort, Text(printer.portName)}});
  }
  namespace names = m::spooler;
  json object = {{names::kPorts, std::move(ports)}, {names::kPrinters, std::move(printers)}};
  if (!spooler.enumPortsErrors.empty()) {
    json codes = json::array();
    for (const long code : spooler.enumPortsErrors) codes.push_back(Code(code));
    object[names::kEnumPortsErrors] = std::move(codes);
  }
  if (spooler.enumPrintersError != kErrorSuccess) {
    object[names::kEnumPrintersError] = Code(spooler.enumPrintersError);
  }
  return object;
}

void AddSystemFacts(const MachineConfig& config, json& doc) {
  namespace names = m::machine;
  doc[names::kWindowsDirectory] = OptionalText(config.windowsDirectory);
  doc[names::kSystemDirectory] = OptionalText(config.systemDirectory);
  doc[names::kVersion] = config.version ? VersionJson(*config.version) : json(nullptr);
  // Absent, the Windows is a 32-bit one.
  if (config.nativeMachine != NativeMachine::kNone) {
    doc[names::kArchitecture] = std::string(ArchitectureName(config.nativeMachine));
  }
  if (config.userName) doc[names::kUserName] = Text(*config.userName);
  // Absent, the thread has no token of its own, as on most PCs.
  if (config.threadToken != SimToken{kErrorNoToken, std::nullopt}) {
    doc[names::kThreadToken] = TokenJson(config.threadToken);
  }
  doc[names::kProcessToken] = TokenJson(config.processToken);
  if (!config.environment.empty()) {
    json environment = json::object();
    for (const auto& [name, value] : config.environment)
      environment[Cp1252ToUtf8(name)] = Text(value);
    doc[names::kEnvironment] = std::move(environment);
  }
  if (config.localTime) doc[names::kLocalTime] = LocalTimeText(*config.localTime);
  doc[names::kLocale] = LocaleJson(config.locale);
  doc[names::kUtcOffsetMinutes] = config.utcOffsetMinutes;
  char language[8];
  std::snprintf(language, sizeof language, "0x%04X", config.userLanguage);
  doc[names::kUserLanguage] = language;
  if (!config.messages.empty()) {
    json messages = json::object();
    for (const auto& [code, text] : config.messages) messages[std::to_string(code)] = Text(text);
    doc[names::kMessages] = std::move(messages);
  }
}

void AddMachineState(const MachineConfig& config, json& doc) {
  namespace names = m::machine;
  if (!config.registryAccess.empty()) {
    json access = json::object();
    for (const auto& [key, masks] : config.registryAccess) access[Cp1252ToUtf8(key)] = Masks(masks);
    doc[names::kRegistryAccess] = std::move(access);
  }
  if (config.reportFileFault) doc[names::kReportFile] = ReportFileJson(*config.reportFileFault);
  doc[names::kMemory] = MemoryJson(config.memory);
  doc[names::kDrives] = DrivesJson(config.drives);
  doc[names::kServices] = ServicesJson(config.services);
  doc[names::kProcesses] = ProcessesJson(config.processes);
  doc[names::kMutexes] = MutexesJson(config.mutexes);
  if (config.shutdownPrivilege != SimShutdownPrivilege{}) {
    doc[names::kShutdownPrivilege] = PrivilegeJson(config.shutdownPrivilege);
  }
  doc[names::kSpooler] = SpoolerJson(config.spooler);
  if (!config.files.empty()) {
    json files = json::object();
    for (const auto& [normal, file] : config.files) files[Cp1252ToUtf8(file.path)] = FileJson(file);
    doc[names::kFiles] = std::move(files);
  }
}

}  // namespace

std::string MachineJsonText(const MachineConfig& config) {
  json doc = json::object();
  AddSystemFacts(config, doc);
  AddMachineState(config, doc);
  return doc.dump(1) + "\n";
}

std::string HexText(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size() * 2);
  for (const char byte : bytes) {
    text += kDigits[(byte >> 4) & 0xF];
    text += kDigits[byte & 0xF];
  }
  return text;
}

}  // namespace kdx
