#pragma once

#include "platform/registry.h"
#include "run/run_context.h"

namespace kdx {

/// The App Paths entries of the label software, from the Windows and the Windows NT key: for
/// each subkey whose name holds "KDX" or "KELMO", its "Path" and a description of its program
/// file. A failure other than a missing program file ends the section with an "ERROR" row.
void CollectProgramPaths(RunContext& context, TRegistry& registry);

}  // namespace kdx
