#include "support/sim_area_fixtures.h"

#include "support/test_data.h"

namespace kdx::test {

namespace {

constexpr std::uint32_t kOwnProcessId = 32;
constexpr char kOwnProgramPath[] = "Z:\\build\\win32\\kdx_win32_tests.exe";

// Drives C and Z and the two tested services as under Wine; a port beside COM1 with its
// monitor, and a printer on it.
constexpr char kAreaFacts[] = R"(
  "memory": {"totalPhys": 2147483647, "availPhys": 1073741824, "totalPageFile": 4294443007,
             "availPageFile": 4294967295},
  "drives": {"roots": {
      "C:\\": {"space": {"freeAvailable": 4096, "total": 1048576, "totalFree": 8192},
               "clusters": {"sectorsPerCluster": 8, "bytesPerSector": 512, "freeClusters": 1,
                            "totalClusters": 256}},
      "Z:\\": {"space": {"freeAvailable": 4096, "total": 1048576, "totalFree": 4096}}}},
  "services": {"list": [
      {"name": "KdxContractLocked", "displayName": "KDX Contract Locked", "access": ["0x1"]},
      {"name": "KdxContractSvc", "displayName": "KDX Contract Test"},
      {"name": "PlugPlay", "displayName": "Plug and Play Service", "state": 4}]},
  "processes": {"list": [{"id": 0, "path": "[System Process]"},
                         {"id": 8, "path": "C:\\windows\\system32\\services.exe"},
                         {"id": 32, "path": "Z:\\build\\win32\\kdx_win32_tests.exe"}]},
  "mutexes": [{"name": "KdxContractMutex"}],
  "spooler": {
      "ports": [{"name": "COM1:", "monitor": "Local Monitor", "description": "Local Port"},
                {"name": "KDXTEST:", "monitor": "Local Monitor", "description": "Local Port"}],
      "printers": [{"name": "KDX Contract Printer", "port": "KDXTEST:"}]})";

constexpr char kSystemFolder[] = "C:\\WINDOWS\\system32\\";

// Small records, each far below the export's buffer, one of them with two strings.
constexpr char kSystemLog[] = R"(source: EventLog
type: information
id: 80001775
time: 2026-12-06 07:58:02
computer: PC

source: Service Control Manager
type: error
id: C0001B7B
time: 2026-12-06 21:23:38
computer: PC
string: KDXUSB
string: 2
)";

}  // namespace

SimAreaFixture::SimAreaFixture() : machine_(XpJsonWith(kAreaFacts)) {
  machine_.AddFile(MessageFilePath(), TestDataFile(std::string("pe/") + kContractMessageFile));
  machine_.AddEventLog("System.txt", kSystemLog);
  platform_ = machine_.Load();
}

std::string SimAreaFixture::MessageFilePath() const {
  return std::string(kSystemFolder) + kContractMessageFile;
}

std::string SimAreaFixture::MissingFilePath() const {
  return std::string(kSystemFolder) + "kdx_missing.dll";
}

std::uint32_t SimAreaFixture::OwnProcessId() const { return kOwnProcessId; }

std::string SimAreaFixture::OwnProgramPath() const { return kOwnProgramPath; }

}  // namespace kdx::test
