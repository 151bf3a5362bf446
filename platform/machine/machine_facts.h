#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/error_codes.h"
#include "platform/spooler.h"
#include "platform/system_facts.h"

namespace kdx {

/// A drive of a simulated machine.
struct SimDrive {
  std::uint32_t type = 3;                ///< the GetDriveTypeA code
  std::optional<DiskFreeSpace> space;    ///< nothing: GetDiskFreeSpaceExA fails
  std::optional<DiskClusters> clusters;  ///< nothing: GetDiskFreeSpaceA fails
  bool operator==(const SimDrive&) const = default;
};

/// The drives of a simulated machine.
struct SimDrives {
  std::map<char, SimDrive> roots;     ///< by upper-case drive letter
  std::optional<std::uint32_t> mask;  ///< nothing: the letters of roots
  bool hasDiskFreeSpaceEx = true;     ///< kernel32 exports GetDiskFreeSpaceExA
  bool operator==(const SimDrives&) const = default;
};

/// A service of a simulated machine.
struct SimService {
  std::string name;
  std::string displayName;
  std::uint32_t state = 1;
  std::optional<std::vector<std::uint32_t>> access;  ///< nothing: every open is granted
  long queryError = kErrorSuccess;                   ///< not kErrorSuccess: the status query fails
  bool operator==(const SimService&) const = default;
};

/// The service manager of a simulated machine.
struct SimServices {
  std::optional<std::vector<std::uint32_t>> managerAccess;  ///< nothing: every open granted
  long enumError = kErrorSuccess;  ///< not kErrorSuccess: the enumeration fails
  std::vector<SimService> list;    ///< in the manager's order
  bool operator==(const SimServices&) const = default;
};

/// A process of a simulated machine; each error, when not kErrorSuccess, fails that call.
struct SimProcess {
  std::uint32_t id = 0;
  std::string path;  ///< the program file's full path
  long openError = kErrorSuccess;
  long modulesError = kErrorSuccess;
  long pathError = kErrorSuccess;
  bool operator==(const SimProcess&) const = default;
};

/// The processes of a simulated machine.
struct SimProcesses {
  std::vector<SimProcess> list;        ///< in the system's order
  long enumError = kErrorSuccess;      ///< EnumProcesses fails
  long snapshotError = kErrorSuccess;  ///< CreateToolhelp32Snapshot fails
  bool operator==(const SimProcesses&) const = default;
};

/// A named mutex that exists on a simulated machine.
struct SimMutex {
  std::string name;
  std::optional<std::vector<std::uint32_t>> access;  ///< nothing: every open is granted
  bool operator==(const SimMutex&) const = default;
};

/// The own token's shutdown privilege on a simulated machine.
struct SimShutdownPrivilege {
  long tokenError = kErrorSuccess;   ///< opening the token fails
  long lookupError = kErrorSuccess;  ///< looking the privilege up fails
  bool held = true;                  ///< false: enabling it leaves ERROR_NOT_ALL_ASSIGNED
  bool operator==(const SimShutdownPrivilege&) const = default;
};

/// The print spooler of a simulated machine.
struct SimSpoolerLists {
  std::vector<PortInfo2> ports;
  std::vector<PrinterEntry> printers;
  std::vector<long>
      enumPortsErrors;  ///< codes the successive EnumPortsA calls fail with; 0 answers
  long enumPrintersError = kErrorSuccess;
  bool operator==(const SimSpoolerLists&) const = default;
};

}  // namespace kdx
