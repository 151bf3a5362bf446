#include "support/test_machine.h"

#include <fstream>
#include <random>
#include <sstream>

namespace kdx::test {

namespace fs = std::filesystem;

const char kMinimalXpJson[] = R"({
  "windowsDirectory": "C:\\WINDOWS",
  "systemDirectory": "C:\\WINDOWS\\system32",
  "version": {"major": 5, "minor": 1, "build": 2600, "platformId": 2,
              "servicePack": "Service Pack 2"},
  "userName": "Hans",
  "processToken": {"groups": ["S-1-1-0", "S-1-5-32-544"]},
  "environment": {"SESSIONNAME": "Console", "SystemRoot": "C:\\WINDOWS"},
  "localTime": "2026-12-06 22:23:38"
})";

namespace {

constexpr std::uint32_t kPlatformNt = 2;

void WriteBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

}  // namespace

TestMachine::TestMachine(const std::string& machineJson) {
  std::random_device random;
  dir_ = fs::temp_directory_path() / ("kdx_test_" + std::to_string(random()));
  fs::create_directories(dir_ / "out");
  SetJson(machineJson);
}

TestMachine::~TestMachine() {
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

void TestMachine::SetJson(const std::string& machineJson) {
  WriteBytes(dir_ / "machine.json", machineJson);
}

void TestMachine::AddReg(const std::string& name, const std::string& bytes) {
  WriteBytes(dir_ / "registry" / name, bytes);
}

void TestMachine::AddFile(const std::string& windowsPath, const std::string& bytes) {
  std::string relative = windowsPath.substr(3);
  for (char& c : relative) {
    if (c == '\\') c = '/';
  }
  const char drive = static_cast<char>(std::tolower(static_cast<unsigned char>(windowsPath[0])));
  WriteBytes(dir_ / (std::string("drive_") + drive) / relative, bytes);
}

void TestMachine::AddEventLog(const std::string& fileName, const std::string& bytes) {
  WriteBytes(dir_ / "eventlog" / fileName, bytes);
}

std::unique_ptr<SimPlatform> TestMachine::Load() const {
  return std::make_unique<SimPlatform>(dir_);
}

FolderRun::FolderRun(const TestMachine& machine)
    : platform(machine.Load()), context(*platform, ui) {
  context.windowsDir = "C:\\WINDOWS";
  context.systemDir = "C:\\WINDOWS\\system32\\";
  context.driverDir = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\";
  context.isNT = true;
}

std::vector<std::string> FolderRun::ListedFiles() const {
  std::vector<std::string> lines;
  context.fileList.ForEach([&](const std::string& name, const std::vector<FolderEntry>& folders) {
    for (const FolderEntry& entry : folders) lines.push_back(name + " in " + entry.folder);
  });
  return lines;
}

std::string XpJsonWith(const std::string& members) {
  std::string json = kMinimalXpJson;
  if (members.empty()) return json;
  return json.insert(json.rfind('}'), ",\n" + members + "\n");
}

std::string Win98JsonWith(const std::string& members) {
  return R"({"windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS\\SYSTEM",
             "version": {"major": 4, "minor": 10, "build": 67766446, "platformId": 1,
                         "servicePack": "A"},
             "localTime": "2007-01-03 09:05:04")" +
         (members.empty() ? "" : ",\n" + members) + "}";
}

namespace {

std::unique_ptr<SimPlatform> LoadWithRegistry(TestMachine& machine, const std::string& regLines) {
  machine.AddReg("t.reg", "REGEDIT4\r\n" + regLines);
  return machine.Load();
}

}  // namespace

CollectorRun::CollectorRun(const std::string& machineJson, const std::string& regLines)
    : machine(machineJson), platform(LoadWithRegistry(machine, regLines)), context(*platform, ui) {
  const auto version = platform->System().GetVersionExA();
  context.isNT = version && version->platformId == kPlatformNt;
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

std::vector<std::string> ReportLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = bytes.find("\r\n", pos);
    if (end == std::string::npos) {
      lines.push_back(bytes.substr(pos));
      break;
    }
    lines.push_back(bytes.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

std::vector<std::string> TableLines(const RunContext& context) {
  std::vector<std::string> lines;
  const auto& rows = context.table.Rows();
  for (std::size_t i = 1; i < rows.size(); ++i) lines.push_back(rows[i].key + "\t" + rows[i].value);
  return lines;
}

}  // namespace kdx::test
