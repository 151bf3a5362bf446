#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/report_facts.h"

namespace kdx::analysis {

/// The parts of the comparison, in report order; the findings of both reports come last.
enum class DiffPart {
  Windows,
  Drives,  // memory and drives
  Services,
  Processes,
  Ports,  // USB printer ports and the spooler's ports
  LabelSoftware,
  Inventory,
  IniFiles,
  TempDir,
  Printers,
  ProgramPaths,
  EventLog,
  LogFiles,
  Registry,
  Files,
  Checks,
  Findings,
};

enum class ChangeKind { Added, Removed, Changed };

/// One difference between two reports. Texts are Windows-1252, as the reports write them; for
/// a finding, the values are its German text and the En values its English one.
struct Change {
  DiffPart part = DiffPart::Windows;
  ChangeKind change = ChangeKind::Changed;
  std::string subject;  // a service, a file's path, a registry value's full name, ...
  std::string oldValue, newValue;
  std::string oldValueEn, newValueEn;
  std::size_t oldLine = 0, newLine = 0;  // 0 where the subject is absent
};

/// What changed from the older report to the newer one.
struct ReportDiff {
  std::string_view oldComputer, newComputer;
  std::vector<Change> changes;
  /// Two reports of different PCs are compared all the same, with a warning first.
  bool SameComputer() const;
};

/// Compares two reports part by part in report order: every row of the table (Windows,
/// memory and drives, services, processes, ports, the label software with its INI values and
/// selection, the inventory, win.ini, the temporary folders, the printers with their drivers'
/// files, the program paths), the event records newer than the older report's newest, the log
/// files' lines, the registry keys and values, the file list, the check lines, and the
/// findings (new ones added, gone ones removed). A subject that occurs again within its part
/// (a process running twice, a key exported twice) is counted: " #2", " #3", ...
ReportDiff DiffReports(const ReportFacts& oldFacts, const std::vector<Finding>& oldFindings,
                       const ReportFacts& newFacts, const std::vector<Finding>& newFindings);

std::string_view PartCode(DiffPart part);        // "windows", "drives", ... for JSON
std::string_view ChangeName(ChangeKind change);  // "added", "removed", "changed"

}  // namespace kdx::analysis
