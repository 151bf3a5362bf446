#include "platform/machine/machine_facts.h"

#include <cstdint>
#include <limits>

#include "platform/machine/machine_config.h"
#include "platform/machine/machine_json_members.h"
#include "platform/machine/machine_json_reader.h"

namespace kdx::machine_json {

namespace {

using nlohmann::json;
namespace m = members;

constexpr std::uint64_t kMaxByteCount = std::numeric_limits<std::int64_t>::max();
constexpr std::uint64_t kMaxErrorCode = 0xFFFF;

template <typename Item>
using ItemReader = Item (*)(const Reader&, const json&, const Path&);

template <typename Item>
std::vector<Item> ReadList(const Reader& r, const json& value, const Path& path,
                           const std::string& what, ItemReader<Item> readItem) {
  if (!value.is_array()) r.Fail(path, what);
  std::vector<Item> items;
  for (std::size_t i = 0; i < value.size(); ++i) {
    items.push_back(readItem(r, value[i], Child(path, std::to_string(i))));
  }
  return items;
}

const json& Required(const Reader& r, const json& object, const Path& path, const char* name) {
  if (!object.contains(name)) r.Fail(Child(path, name), "this member (it is required)");
  return object.at(name);
}

std::uint32_t Figure(const Reader& r, const json& object, const Path& path, const char* name) {
  return r.Unsigned(object.value(name, json(0u)), Child(path, name));
}

long ErrorCode(const Reader& r, const json& value, const Path& path) {
  const auto code = static_cast<long>(r.Unsigned(value, path, kMaxErrorCode));
  if (code == kErrorSuccess) r.Fail(path, "a non-zero error code");
  return code;
}

long OptionalErrorCode(const Reader& r, const json& object, const Path& path, const char* name) {
  return object.contains(name) ? ErrorCode(r, object.at(name), Child(path, name)) : kErrorSuccess;
}

std::optional<std::vector<std::uint32_t>> OptionalMasks(const Reader& r, const json& object,
                                                        const Path& path, const char* name) {
  if (!object.contains(name)) return std::nullopt;
  return r.Masks(object.at(name), Child(path, name));
}

std::string OptionalText(const Reader& r, const json& object, const Path& path, const char* name) {
  return object.contains(name) ? r.Text(object.at(name), Child(path, name)) : std::string();
}

MemoryStatus ReadMemory(const Reader& r, const json& memory, const Path& path) {
  namespace names = m::memory;
  r.CheckMembers(memory, path, names::kAll);
  return MemoryStatus{Figure(r, memory, path, names::kTotalPhys),
                      Figure(r, memory, path, names::kAvailPhys),
                      Figure(r, memory, path, names::kTotalPageFile),
                      Figure(r, memory, path, names::kAvailPageFile)};
}

DiskFreeSpace ReadSpace(const Reader& r, const json& s, const Path& path) {
  namespace names = m::space;
  r.CheckMembers(s, path, names::kAll);
  const auto bytes = [&](const char* name) {
    return static_cast<std::int64_t>(
        r.Unsigned64(s.value(name, json(0u)), Child(path, name), kMaxByteCount));
  };
  return DiskFreeSpace{bytes(names::kFreeAvailable), bytes(names::kTotal),
                       bytes(names::kTotalFree)};
}

DiskClusters ReadClusters(const Reader& r, const json& c, const Path& path) {
  namespace names = m::clusters;
  r.CheckMembers(c, path, names::kAll);
  return DiskClusters{
      Figure(r, c, path, names::kSectorsPerCluster), Figure(r, c, path, names::kBytesPerSector),
      Figure(r, c, path, names::kFreeClusters), Figure(r, c, path, names::kTotalClusters)};
}

SimDrive ReadDrive(const Reader& r, const json& d, const Path& path) {
  namespace names = m::drive;
  r.CheckMembers(d, path, names::kAll);
  SimDrive drive;
  drive.type = r.Unsigned(d.value(names::kType, json(3u)), Child(path, names::kType));
  if (d.contains(names::kSpace)) {
    drive.space = ReadSpace(r, d.at(names::kSpace), Child(path, names::kSpace));
  }
  if (d.contains(names::kClusters)) {
    drive.clusters = ReadClusters(r, d.at(names::kClusters), Child(path, names::kClusters));
  }
  return drive;
}

/// The drive letter of a root written as "C:\\" in JSON; 0 for anything else.
char DriveLetterOf(const std::string& root) {
  if (root.size() != 3 || root[1] != ':' || root[2] != '\\') return 0;
  const char letter = static_cast<char>(root[0] & ~0x20);
  return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

SimDrives ReadDrives(const Reader& r, const json& d, const Path& path) {
  namespace names = m::drives;
  r.CheckMembers(d, path, names::kAll);
  SimDrives drives;
  const Path rootsPath = Child(path, names::kRoots);
  const json& roots = d.value(names::kRoots, json::object());
  if (!roots.is_object()) r.Fail(rootsPath, "an object of roots such as \"C:\\\\\"");
  for (const auto& [root, drive] : roots.items()) {
    const Path rootPath = Child(rootsPath, root);
    const char letter = DriveLetterOf(root);
    if (letter == 0) r.Fail(rootPath, "a root such as \"C:\\\\\" as member name");
    drives.roots[letter] = ReadDrive(r, drive, rootPath);
  }
  if (d.contains(names::kMask)) {
    drives.mask = r.Unsigned(d.at(names::kMask), Child(path, names::kMask));
  }
  if (d.contains(names::kDiskFreeSpaceEx)) {
    drives.hasDiskFreeSpaceEx =
        r.Flag(d.at(names::kDiskFreeSpaceEx), Child(path, names::kDiskFreeSpaceEx));
  }
  return drives;
}

SimService ReadService(const Reader& r, const json& s, const Path& path) {
  namespace names = m::service;
  r.CheckMembers(s, path, names::kAll);
  SimService service;
  service.name = r.Text(Required(r, s, path, names::kName), Child(path, names::kName));
  service.displayName = OptionalText(r, s, path, names::kDisplayName);
  service.state = r.Unsigned(s.value(names::kState, json(1u)), Child(path, names::kState));
  service.access = OptionalMasks(r, s, path, names::kAccess);
  service.queryError = OptionalErrorCode(r, s, path, names::kQueryError);
  return service;
}

SimServices ReadServices(const Reader& r, const json& s, const Path& path) {
  namespace names = m::services;
  r.CheckMembers(s, path, names::kAll);
  SimServices services;
  services.managerAccess = OptionalMasks(r, s, path, names::kManagerAccess);
  services.enumError = OptionalErrorCode(r, s, path, names::kEnumError);
  services.list =
      ReadList<SimService>(r, s.value(names::kList, json::array()), Child(path, names::kList),
                           "a list of services", ReadService);
  return services;
}

SimProcess ReadProcess(const Reader& r, const json& p, const Path& path) {
  namespace names = m::process;
  r.CheckMembers(p, path, names::kAll);
  SimProcess process;
  process.id = r.Unsigned(Required(r, p, path, names::kId), Child(path, names::kId));
  process.path = OptionalText(r, p, path, names::kPath);
  process.openError = OptionalErrorCode(r, p, path, names::kOpenError);
  process.modulesError = OptionalErrorCode(r, p, path, names::kModulesError);
  process.pathError = OptionalErrorCode(r, p, path, names::kPathError);
  return process;
}

SimProcesses ReadProcesses(const Reader& r, const json& p, const Path& path) {
  namespace names = m::processes;
  r.CheckMembers(p, path, names::kAll);
  SimProcesses processes;
  processes.list =
      ReadList<SimProcess>(r, p.value(names::kList, json::array()), Child(path, names::kList),
                           "a list of processes", ReadProcess);
  processes.enumError = OptionalErrorCode(r, p, path, names::kEnumError);
  processes.snapshotError = OptionalErrorCode(r, p, path, names::kSnapshotError);
  return processes;
}

SimMutex ReadMutex(const Reader& r, const json& mutex, const Path& path) {
  namespace names = m::mutex;
  r.CheckMembers(mutex, path, names::kAll);
  return SimMutex{r.Text(Required(r, mutex, path, names::kName), Child(path, names::kName)),
                  OptionalMasks(r, mutex, path, names::kAccess)};
}

SimShutdownPrivilege ReadShutdownPrivilege(const Reader& r, const json& p, const Path& path) {
  namespace names = m::privilege;
  r.CheckMembers(p, path, names::kAll);
  SimShutdownPrivilege privilege;
  privilege.tokenError = OptionalErrorCode(r, p, path, names::kTokenError);
  privilege.lookupError = OptionalErrorCode(r, p, path, names::kLookupError);
  if (p.contains(names::kHeld)) {
    privilege.held = r.Flag(p.at(names::kHeld), Child(path, names::kHeld));
  }
  return privilege;
}

PortInfo2 ReadPort(const Reader& r, const json& p, const Path& path) {
  namespace names = m::port;
  r.CheckMembers(p, path, names::kAll);
  return PortInfo2{r.Text(Required(r, p, path, names::kName), Child(path, names::kName)),
                   OptionalText(r, p, path, names::kMonitor),
                   OptionalText(r, p, path, names::kDescription)};
}

PrinterEntry ReadPrinter(const Reader& r, const json& p, const Path& path) {
  namespace names = m::printer;
  r.CheckMembers(p, path, names::kAll);
  return PrinterEntry{r.Text(Required(r, p, path, names::kName), Child(path, names::kName)),
                      OptionalText(r, p, path, names::kPort)};
}

long ReadCallError(const Reader& r, const json& value, const Path& path) {
  return static_cast<long>(r.Unsigned(value, path, kMaxErrorCode));
}

SimSpoolerLists ReadSpooler(const Reader& r, const json& s, const Path& path) {
  namespace names = m::spooler;
  r.CheckMembers(s, path, names::kAll);
  const auto list = [&](const char* name) {
    return std::pair(s.value(name, json::array()), Child(path, name));
  };
  SimSpoolerLists spooler;
  const auto [ports, portsPath] = list(names::kPorts);
  spooler.ports = ReadList<PortInfo2>(r, ports, portsPath, "a list of ports", ReadPort);
  const auto [printers, printersPath] = list(names::kPrinters);
  spooler.printers =
      ReadList<PrinterEntry>(r, printers, printersPath, "a list of printers", ReadPrinter);
  const auto [errors, errorsPath] = list(names::kEnumPortsErrors);
  spooler.enumPortsErrors = ReadList<long>(
      r, errors, errorsPath, "a list of error codes, 0 where the call answers", ReadCallError);
  spooler.enumPrintersError = OptionalErrorCode(r, s, path, names::kEnumPrintersError);
  return spooler;
}

}  // namespace

void ReadMachineFacts(const Reader& r, const json& doc, MachineConfig& config) {
  namespace names = m::machine;
  if (doc.contains(names::kMemory)) {
    config.memory = ReadMemory(r, doc.at(names::kMemory), {names::kMemory});
  }
  if (doc.contains(names::kDrives)) {
    config.drives = ReadDrives(r, doc.at(names::kDrives), {names::kDrives});
  }
  if (doc.contains(names::kServices)) {
    config.services = ReadServices(r, doc.at(names::kServices), {names::kServices});
  }
  if (doc.contains(names::kProcesses)) {
    config.processes = ReadProcesses(r, doc.at(names::kProcesses), {names::kProcesses});
  }
  if (doc.contains(names::kMutexes)) {
    config.mutexes = ReadList<SimMutex>(r, doc.at(names::kMutexes), {names::kMutexes},
                                        "a list of mutexes", ReadMutex);
  }
  if (doc.contains(names::kShutdownPrivilege)) {
    config.shutdownPrivilege =
        ReadShutdownPrivilege(r, doc.at(names::kShutdownPrivilege), {names::kShutdownPrivilege});
  }
  if (doc.contains(names::kSpooler)) {
    config.spooler = ReadSpooler(r, doc.at(names::kSpooler), {names::kSpooler});
  }
}

}  // namespace kdx::machine_json
