// The machine.json members of memory, drives, services, processes, mutexes, the shutdown
// privilege and the spooler.
#include <gtest/gtest.h>

#include <string>

#include "platform/machine/machine_config.h"
#include "platform/machine/machine_error.h"

namespace kdx {
namespace {

/// machine.json with the required members on line 2 and member from line 3 on.
std::string Json(const std::string& member) {
  return "{\n\"windowsDirectory\": null, \"systemDirectory\": null, \"version\": null,\n" + member +
         "\n}\n";
}

std::string ErrorOf(const std::string& member) {
  try {
    ParseMachineJson(Json(member), "m.json");
  } catch (const MachineError& error) {
    return error.what();
  }
  return "no error";
}

TEST(MachineFacts, RefusesFaultsAtTheirLine) {
  const struct {
    const char* member;
    const char* error;
  } kCases[] = {
      {"\"memory\": {\"totalPhys\": -1}",
       "m.json:3: memory.totalPhys: expected a whole number from 0 to 4294967295"},
      {"\"memory\": {\"free\": 1}",
       "m.json:3: memory.free: expected one of the known members (this one is unknown)"},
      {"\"drives\": {\"roots\": {\n\"C:\": {}}}",
       "m.json:4: drives.roots.C:: expected a root such as \"C:\\\\\" as member name"},
      {"\"drives\": {\"roots\": {\"1:\\\\\": {}}}",
       "m.json:3: drives.roots.1:\\: expected a root such as \"C:\\\\\" as member name"},
      {"\"drives\": {\"roots\": {\"C:\\\\\": {\"space\": {\n\"total\": 9223372036854775808}}}}",
       "m.json:4: drives.roots.C:\\.space.total: expected a whole number from 0 to "
       "9223372036854775807"},
      {"\"drives\": {\"diskFreeSpaceEx\": 0}",
       "m.json:3: drives.diskFreeSpaceEx: expected true or false"},
      {"\"services\": {\"list\": [{\"displayName\": \"x\"}]}",
       "m.json:3: services.list.0.name: expected this member (it is required)"},
      {"\"services\": {\"list\": [\n{\"name\": \"A\", \"queryError\": 0}]}",
       "m.json:4: services.list.0.queryError: expected a non-zero error code"},
      {"\"services\": {\"managerAccess\": \"0x5\"}",
       "m.json:3: services.managerAccess: expected a list of access masks such as \"0x20009\""},
      {"\"processes\": {\"list\": {}}", "m.json:3: processes.list: expected a list of processes"},
      {"\"processes\": {\"list\": [{\"id\": 1, \"openError\": 65536}]}",
       "m.json:3: processes.list.0.openError: expected a whole number from 0 to 65535"},
      {"\"mutexes\": [{\"name\": 5}]", "m.json:3: mutexes.0.name: expected a text"},
      {"\"shutdownPrivilege\": {\"held\": \"no\"}",
       "m.json:3: shutdownPrivilege.held: expected true or false"},
      {"\"spooler\": {\"enumPortsErrors\": 1722}",
       "m.json:3: spooler.enumPortsErrors: expected a list of error codes, 0 where the call "
       "answers"},
      {"\"spooler\": {\"ports\": [{\"name\": \"LPT1:\", \"type\": 1}]}",
       "m.json:3: spooler.ports.0.type: expected one of the known members (this one is unknown)"},
  };
  for (const auto& c : kCases) EXPECT_EQ(ErrorOf(c.member), c.error) << c.member;
}

TEST(MachineFacts, ReadsEveryMember) {
  const MachineConfig config = ParseMachineJson(Json(R"(
    "memory": {"totalPhys": 4294967295, "availPageFile": 1},
    "drives": {"roots": {"c:\\": {"space": {"total": 9223372036854775807}},
                         "D:\\": {"type": 5, "clusters": {"freeClusters": 7}}},
               "mask": "0x8", "diskFreeSpaceEx": false},
    "services": {"managerAccess": [], "enumError": 5,
                 "list": [{"name": "Sp\u00fcler", "state": 9, "access": ["0x4"]}]},
    "processes": {"list": [{"id": 4, "path": "System", "modulesError": 299}],
                  "snapshotError": 8},
    "mutexes": [{"name": "KdxPmMutex"}],
    "shutdownPrivilege": {"held": false, "tokenError": 5},
    "spooler": {"ports": [{"name": "LPT1:"}], "printers": [{"name": "P", "port": "COM1:"}],
                "enumPortsErrors": [0, 5], "enumPrintersError": 1722})"),
                                                "m.json");
  EXPECT_EQ(config.memory.totalPhys, 0xFFFFFFFFu);
  EXPECT_EQ(config.memory.availPageFile, 1u);
  // roots by upper-case letter; a drive's type is 3 unless given
  ASSERT_EQ(config.drives.roots.size(), 2u);
  EXPECT_EQ(config.drives.roots.at('C').type, 3u);
  EXPECT_EQ(config.drives.roots.at('C').space->total, 9223372036854775807);
  EXPECT_FALSE(config.drives.roots.at('C').clusters);
  EXPECT_EQ(config.drives.roots.at('D').clusters->freeClusters, 7u);
  EXPECT_EQ(config.drives.mask, 8u);
  EXPECT_FALSE(config.drives.hasDiskFreeSpaceEx);
  EXPECT_EQ(config.services.managerAccess, std::vector<std::uint32_t>{});
  EXPECT_EQ(config.services.enumError, 5);
  ASSERT_EQ(config.services.list.size(), 1u);
  EXPECT_EQ(config.services.list[0].name, "Sp\xFCler");
  EXPECT_EQ(config.services.list[0].state, 9u);
  EXPECT_EQ(config.processes.list[0].modulesError, 299);
  EXPECT_EQ(config.processes.snapshotError, 8);
  EXPECT_EQ(config.mutexes[0].name, "KdxPmMutex");
  EXPECT_FALSE(config.mutexes[0].access);
  EXPECT_FALSE(config.shutdownPrivilege.held);
  EXPECT_EQ(config.shutdownPrivilege.tokenError, 5);
  EXPECT_EQ(config.spooler.ports[0].monitorName, "");
  EXPECT_EQ(config.spooler.printers[0].portName, "COM1:");
  EXPECT_EQ(config.spooler.enumPortsErrors, (std::vector<long>{0, 5}));
  EXPECT_EQ(config.spooler.enumPrintersError, 1722);
}

}  // namespace
}  // namespace kdx
