#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/file_system.h"
#include "platform/machine/machine_config.h"

namespace kdx {

/// A folder or file below the drive folders of a machine directory.
struct DriveItem {
  enum class Kind { Folder, EmptyFile, CopiedFile };
  Kind kind = Kind::Folder;
  /// Below the directory, '/' between the parts: "drive_c/WINDOWS/win.ini".
  std::string relativePath;
  /// The Windows path whose bytes a copied file takes.
  std::string windowsPath;
};

/// Everything a machine directory holds, as its writer puts it into files.
struct MachineDirectory {
  MachineConfig config;               ///< machine.json
  std::string registry;               ///< registry/capture.reg, a whole REGEDIT4 text
  std::vector<DriveItem> driveItems;  ///< each folder before what lies in it
  /// eventlog/NAME.evt: each log's name and file bytes.
  std::vector<std::pair<std::string, std::string>> eventLogs;
};

/// What writing a machine directory made.
struct MachineDirectoryTotals {
  std::uint64_t files = 0;  ///< files of the drives, the logs, the .reg and machine.json
  std::uint64_t bytes = 0;
};

/// Copies what can be read of the file at a Windows path into an open output file (a read
/// that fails ends the copy); the Win32 error code of a write that fails.
using CopyFileBytes = std::function<long(const std::string& windowsPath, OutputFile& out)>;

/// Writes directory into folder (made when missing) through output, the files of the machine
/// the program writes with: the drive folders and files (copied files through copy),
/// registry/capture.reg, eventlog/*.evt and machine.json last, so that a directory cut short
/// by a failure has no machine.json and is not taken for whole. Returns an empty text, or
/// what failed.
std::string WriteMachineDirectory(const MachineDirectory& directory, FileSystem& output,
                                  const std::string& folder, const CopyFileBytes& copy,
                                  MachineDirectoryTotals& totals);

}  // namespace kdx
