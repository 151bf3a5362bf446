#pragma once

#include "app/run_report.h"

namespace kdx {

/// Exit status of the programs.
inline constexpr int kExitWritten = 0;
inline constexpr int kExitCancelled = 1;
inline constexpr int kExitFailed = 2;

/// The exit status for the way a run ended.
constexpr int ExitCodeFor(RunOutcome outcome) {
  switch (outcome) {
    case RunOutcome::Written:
      return kExitWritten;
    case RunOutcome::Cancelled:
      return kExitCancelled;
    case RunOutcome::Failed:
      break;
  }
  return kExitFailed;
}

}  // namespace kdx
