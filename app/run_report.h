#pragma once

#include "run/run_context.h"

namespace kdx {

/// How a run ended.
enum class RunOutcome {
  Written,    ///< the report file was written to its end
  Cancelled,  ///< the user cancelled the save dialog
  Failed,     ///< an error ended the run; its message was shown once
};

/// The one report run: instruction texts, collection, report file. An error that no collector
/// catches ends the run here: its message (with the closing full stop rule) goes to
/// FrontEnd::ShowError and no further step runs.
RunOutcome RunReport(RunContext& context);

/// The progress pie's next position: 25 further, back to 0 past 100.
int NextProgress(int progress);

}  // namespace kdx
