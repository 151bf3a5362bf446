#include "platform/machine/machine_facts.h"

#include <cstdint>
#include <limits>

#include "platform/machine/machine_config.h"
#include "platform/machine/machine_json_reader.h"

namespace kdx::machine_json {

namespace {

using nlohmann::json;

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

MemoryStatus ReadMemory(const Reader& r, const json& m, const Path& path) {
  r.CheckMembers(m, path, {"totalPhys", "availPhys", "totalPageFile", "availPageFile"});
  return MemoryStatus{Figure(r, m, path, "totalPhys"), Figure(r, m, path, "availPhys"),
                      Figure(r, m, path, "totalPageFile"), Figure(r, m, path, "availPageFile")};
}

DiskFreeSpace ReadSpace(const Reader& r, const json& s, const Path& path) {
  r.CheckMembers(s, path, {"freeAvailable", "total", "totalFree"});
  const auto bytes = [&](const char* name) {
    return static_cast<std::int64_t>(
        r.Unsigned64(s.value(name, json(0u)), Child(path, name), kMaxByteCount));
  };
  return DiskFreeSpace{bytes("freeAvailable"), bytes("total"), bytes("totalFree")};
}

DiskClusters ReadClusters(const Reader& r, const json& c, const Path& path) {
  r.CheckMembers(c, path, {"sectorsPerCluster", "bytesPerSector", "freeClusters", "totalClusters"});
  return DiskClusters{Figure(r, c, path, "sectorsPerCluster"), Figure(r, c, path, "bytesPerSector"),
                      Figure(r, c, path, "freeClusters"), Figure(r, c, path, "totalClusters")};
}

SimDrive ReadDrive(const Reader& r, const json& d, const Path& path) {
  r.CheckMembers(d, path, {"type", "space", "clusters"});
  SimDrive drive;
  drive.type = r.Unsigned(d.value("type", json(3u)), Child(path, "type"));
  if (d.contains("space")) drive.space = ReadSpace(r, d.at("space"), Child(path, "space"));
  if (d.contains("clusters")) {
    drive.clusters = ReadClusters(r, d.at("clusters"), Child(path, "clusters"));
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
  r.CheckMembers(d, path, {"roots", "mask", "diskFreeSpaceEx"});
  SimDrives drives;
  const json& roots = d.value("roots", json::object());
  if (!roots.is_object()) r.Fail(Child(path, "roots"), "an object of roots such as \"C:\\\\\"");
  for (const auto& [root, drive] : roots.items()) {
    const Path rootPath = Child(Child(path, "roots"), root);
    const char letter = DriveLetterOf(root);
    if (letter == 0) r.Fail(rootPath, "a root such as \"C:\\\\\" as member name");
    drives.roots[letter] = ReadDrive(r, drive, rootPath);
  }
  if (d.contains("mask")) drives.mask = r.Unsigned(d.at("mask"), Child(path, "mask"));
  if (d.contains("diskFreeSpaceEx")) {
    drives.hasDiskFreeSpaceEx = r.Flag(d.at("diskFreeSpaceEx"), Child(path, "diskFreeSpaceEx"));
  }
  return drives;
}

SimService ReadService(const Reader& r, const json& s, const Path& path) {
  r.CheckMembers(s, path, {"name", "displayName", "state", "access", "queryError"});
  SimService service;
  service.name = r.Text(Required(r, s, path, "name"), Child(path, "name"));
  service.displayName = OptionalText(r, s, path, "displayName");
  service.state = r.Unsigned(s.value("state", json(1u)), Child(path, "state"));
  service.access = OptionalMasks(r, s, path, "access");
  service.queryError = OptionalErrorCode(r, s, path, "queryError");
  return service;
}

SimServices ReadServices(const Reader& r, const json& s, const Path& path) {
  r.CheckMembers(s, path, {"managerAccess", "enumError", "list"});
  SimServices services;
  services.managerAccess = OptionalMasks(r, s, path, "managerAccess");
  services.enumError = OptionalErrorCode(r, s, path, "enumError");
  services.list = ReadList<SimService>(r, s.value("list", json::array()), Child(path, "list"),
                                       "a list of services", ReadService);
  return services;
}

SimProcess ReadProcess(const Reader& r, const json& p, const Path& path) {
  r.CheckMembers(p, path, {"id", "path", "openError", "modulesError", "pathError"});
  SimProcess process;
  process.id = r.Unsigned(Required(r, p, path, "id"), Child(path, "id"));
  process.path = OptionalText(r, p, path, "path");
  process.openError = OptionalErrorCode(r, p, path, "openError");
  process.modulesError = OptionalErrorCode(r, p, path, "modulesError");
  process.pathError = OptionalErrorCode(r, p, path, "pathError");
  return process;
}

SimProcesses ReadProcesses(const Reader& r, const json& p, const Path& path) {
  r.CheckMembers(p, path, {"list", "enumError", "snapshotError"});
  SimProcesses processes;
  processes.list = ReadList<SimProcess>(r, p.value("list", json::array()), Child(path, "list"),
                                        "a list of processes", ReadProcess);
  processes.enumError = OptionalErrorCode(r, p, path, "enumError");
  processes.snapshotError = OptionalErrorCode(r, p, path, "snapshotError");
  return processes;
}

SimMutex ReadMutex(const Reader& r, const json& m, const Path& path) {
  r.CheckMembers(m, path, {"name", "access"});
  return SimMutex{r.Text(Required(r, m, path, "name"), Child(path, "name")),
                  OptionalMasks(r, m, path, "access")};
}

SimShutdownPrivilege ReadShutdownPrivilege(const Reader& r, const json& p, const Path& path) {
  r.CheckMembers(p, path, {"tokenError", "lookupError", "held"});
  SimShutdownPrivilege privilege;
  privilege.tokenError = OptionalErrorCode(r, p, path, "tokenError");
  privilege.lookupError = OptionalErrorCode(r, p, path, "lookupError");
  if (p.contains("held")) privilege.held = r.Flag(p.at("held"), Child(path, "held"));
  return privilege;
}

PortInfo2 ReadPort(const Reader& r, const json& p, const Path& path) {
  r.CheckMembers(p, path, {"name", "monitor", "description"});
  return PortInfo2{r.Text(Required(r, p, path, "name"), Child(path, "name")),
                   OptionalText(r, p, path, "monitor"), OptionalText(r, p, path, "description")};
}

PrinterEntry ReadPrinter(const Reader& r, const json& p, const Path& path) {
  r.CheckMembers(p, path, {"name", "port"});
  return PrinterEntry{r.Text(Required(r, p, path, "name"), Child(path, "name")),
                      OptionalText(r, p, path, "port")};
}

long ReadCallError(const Reader& r, const json& value, const Path& path) {
  return static_cast<long>(r.Unsigned(value, path, kMaxErrorCode));
}

SimSpoolerLists ReadSpooler(const Reader& r, const json& s, const Path& path) {
  r.CheckMembers(s, path, {"ports", "printers", "enumPortsErrors", "enumPrintersError"});
  SimSpoolerLists spooler;
  spooler.ports = ReadList<PortInfo2>(r, s.value("ports", json::array()), Child(path, "ports"),
                                      "a list of ports", ReadPort);
  spooler.printers =
      ReadList<PrinterEntry>(r, s.value("printers", json::array()), Child(path, "printers"),
                             "a list of printers", ReadPrinter);
  spooler.enumPortsErrors =
      ReadList<long>(r, s.value("enumPortsErrors", json::array()), Child(path, "enumPortsErrors"),
                     "a list of error codes, 0 where the call answers", ReadCallError);
  spooler.enumPrintersError = OptionalErrorCode(r, s, path, "enumPrintersError");
  return spooler;
}

}  // namespace

void ReadMachineFacts(const Reader& r, const json& doc, MachineConfig& config) {
  if (doc.contains("memory")) config.memory = ReadMemory(r, doc.at("memory"), {"memory"});
  if (doc.contains("drives")) config.drives = ReadDrives(r, doc.at("drives"), {"drives"});
  if (doc.contains("services")) {
    config.services = ReadServices(r, doc.at("services"), {"services"});
  }
  if (doc.contains("processes")) {
    config.processes = ReadProcesses(r, doc.at("processes"), {"processes"});
  }
  if (doc.contains("mutexes")) {
    config.mutexes =
        ReadList<SimMutex>(r, doc.at("mutexes"), {"mutexes"}, "a list of mutexes", ReadMutex);
  }
  if (doc.contains("shutdownPrivilege")) {
    config.shutdownPrivilege =
        ReadShutdownPrivilege(r, doc.at("shutdownPrivilege"), {"shutdownPrivilege"});
  }
  if (doc.contains("spooler")) config.spooler = ReadSpooler(r, doc.at("spooler"), {"spooler"});
}

}  // namespace kdx::machine_json
