#pragma once

#include <string>

#include "report/report_writer.h"
#include "run/run_context.h"

namespace kdx {

/// Writes the key at path below root, its values and its subkeys (with a filter: only the
/// subkeys directly below path whose upper-cased name contains it) in the report's REGEDIT4
/// form. A key that does not open writes nothing. Registry and I/O errors go on to the caller.
void ExportRegistryKey(RunContext& context, ReportWriter& writer, RegKey root,
                       const std::string& path, const std::string& filter);

/// The registry block's body: every key of the report's export table, in table order.
void ExportReportKeys(RunContext& context, ReportWriter& writer);

}  // namespace kdx
