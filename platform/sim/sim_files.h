#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/file_system.h"
#include "platform/sim/machine_config.h"

namespace kdx {

/// The files of a simulated machine: one host folder per drive (drive_c/ for C:\); the report
/// file goes to the host's file system.
class SimFiles final : public FileSystem {
 public:
  SimFiles(std::filesystem::path machineDir, std::optional<ReportFileFault> reportFileFault);

  bool FileExists(const std::string& path) override;
  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override;
  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override;

  /// The host path of a Windows path on a simulated drive, matched without regard to case;
  /// nothing when a part of it does not exist.
  std::optional<std::filesystem::path> HostPathOf(const std::string& windowsPath) const;

 private:
  /// kErrorFileNotFound when the folder of path exists, else kErrorPathNotFound.
  long MissingFileError(const std::string& path) const;

  std::filesystem::path machineDir_;
  std::optional<ReportFileFault> reportFileFault_;
  int reportFileFailuresLeft_ = 0;
};

}  // namespace kdx
