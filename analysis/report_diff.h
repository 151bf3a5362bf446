#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/report_reader.h"

namespace kdx::analysis {

enum class ChangeKind { Added, Removed, Changed };

/// One difference between two reports of a PC. Texts are Windows-1252.
struct Change {
  std::string_view part;  // "windows", "services", "processes", "ports", "printers", "files",
                          // "registry", "checks", "eventlog"
  ChangeKind change = ChangeKind::Changed;
  std::string subject;  // what changed: a service, a file's path, a registry value's full name
  std::string oldValue, newValue;
  std::size_t oldLine = 0, newLine = 0;  // 0 where the subject is absent
};

/// What changed from the older report to the newer, part by part in report order: the
/// Windows rows, the printing services and the service list, processes, ports, printers with
/// their drivers' files, the file list, the registry keys and values, the check lines, and the
/// event records newer than the older report's newest.
std::vector<Change> DiffReports(const Report& oldReport, const Report& newReport);

std::string_view ChangeName(ChangeKind change);  // "added", "removed", "changed"

}  // namespace kdx::analysis
