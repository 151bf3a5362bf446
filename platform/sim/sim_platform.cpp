#include "platform/sim/sim_platform.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "platform/machine/machine_error.h"
#include "platform/upcase.h"

namespace kdx {

namespace fs = std::filesystem;

namespace {

std::string ReadWholeFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(path, ec);
  if (!in || ec) throw MachineError(path.string(), 0, "a readable file");
  // Registry files run to tens of megabytes: read them straight into their string.
  std::string bytes(static_cast<std::size_t>(size), '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw MachineError(path.string(), 0, "a readable file");
  }
  return bytes;
}

std::vector<fs::path> RegFilesIn(const fs::path& folder) {
  std::vector<fs::path> files;
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return files;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file() && UpcaseAnsi(entry.path().extension().string()) == ".REG") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

MachineConfig LoadMachineJson(const fs::path& machineDir) {
  const fs::path jsonPath = machineDir / "machine.json";
  std::error_code ec;
  if (!fs::is_regular_file(jsonPath, ec)) {
    throw MachineError(jsonPath.string(), 0, "a machine description (the file is missing)");
  }
  return ParseMachineJson(ReadWholeFile(jsonPath), jsonPath.string());
}

}  // namespace

SimPlatform::SimPlatform(const fs::path& machineDir)
    : config_(LoadMachineJson(machineDir)),
      system_(config_),
      files_(machineDir, config_, registry_, system_),
      services_(config_),
      spooler_(config_),
      eventLogs_(machineDir, config_, files_) {
  if (const auto view = Wow64ViewOf(config_)) registry_.ShowAsWow64(*view);
  for (const fs::path& regFile : RegFilesIn(machineDir / "registry")) {
    registry_.LoadRegFile(ReadWholeFile(regFile), regFile.string());
  }
  const std::string jsonPath = (machineDir / "machine.json").string();
  for (const auto& [key, masks] : config_.registryAccess) {
    registry_.RestrictAccess(key, masks, jsonPath);
  }
}

}  // namespace kdx
