#include "app/console/console_program.h"

#include "app/console/console_front_end.h"
#include "app/core/run_report.h"

namespace kdx {

int RunConsoleReport(Platform& platform, const ConsoleOptions& options, ConsoleStreams streams) {
  ConsoleFrontEnd frontEnd(options, streams);
  RunContext context(platform, frontEnd);
  switch (RunReport(context)) {
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
