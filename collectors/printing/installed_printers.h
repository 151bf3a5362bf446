#pragma once

#include <string>

#include "platform/registry.h"
#include "run/run_context.h"

namespace kdx {

/// A printer driver's "Dependent Files" and the driver folder of the environment it is in.
struct DriverFiles {
  std::string folder;
  std::string data;
  bool version4 = false;  ///< a Version-4 driver, whose files lie in the folder's 4\ as well
};

/// The rows of a driver's "Dependent Files" data (NUL-terminated names up to the first empty
/// one): each name described from the driver folder of the driver's environment and, on NT,
/// from its subfolders 2 and 3, and 4 for a Version-4 driver. Empty data adds no row.
void DescribeDependentFiles(RunContext& context, const DriverFiles& files);

/// The spooler's printer list between two "##########" rows, then every printer key of the
/// registry with its name and port, its driver's dependent files and, on Windows 95 to ME, the
/// settings of its COM port. Needs the run's win.ini and system.ini readers on Windows 95 to
/// ME.
void CollectInstalledPrinters(RunContext& context, TRegistry& registry);

}  // namespace kdx
