#pragma once

#include "run/run_context.h"

namespace kdx {

/// The collection half of the run: resets the report table and fills it section by section in
/// the report's fixed order, announcing each section in the status log.
void CollectAll(RunContext& context);

}  // namespace kdx
