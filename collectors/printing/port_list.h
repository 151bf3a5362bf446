#pragma once

#include "run/run_context.h"

namespace kdx {

/// "Druckeranschlüsse:" and one row per port of the spooler (name TAB monitor TAB
/// description), or an "ERROR" row when the spooler cannot list them.
void CollectPortList(RunContext& context);

}  // namespace kdx
