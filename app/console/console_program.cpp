#include "app/console/console_program.h"

#include "app/console/console_front_end.h"
#include "app/exit_codes.h"
#include "app/run_report.h"

namespace kdx {

int RunConsoleReport(Platform& platform, const ConsoleOptions& options, ConsoleStreams streams) {
  ConsoleFrontEnd frontEnd(options, streams);
  RunContext context(platform, frontEnd);
  return ExitCodeFor(RunReport(context));
}

}  // namespace kdx
