#include "app/console/console_program.h"

#include <cstdio>
#include <string>

#include "app/console/console_front_end.h"
#include "app/exit_codes.h"
#include "app/run_report.h"
#include "platform/capture/capture_directory.h"
#include "platform/capture/capture_platform.h"

namespace kdx {

int RunConsoleReport(Platform& platform, const ConsoleOptions& options, ConsoleStreams streams) {
  ConsoleFrontEnd frontEnd(options, streams);
  RunContext context(platform, frontEnd);
  return ExitCodeFor(RunReport(context));
}

int RunCapturedConsoleReport(Platform& machine, const ConsoleOptions& options,
                             ConsoleStreams streams, std::uint16_t userLanguage) {
  // Files of an earlier capture would mix with this one's (a .reg of another PC, say).
  if (std::FILE* earlier = std::fopen((options.captureDir + "/machine.json").c_str(), "rb")) {
    std::fclose(earlier);
    std::fprintf(streams.err, "kdxinfo: capture: %s already holds a capture\n",
                 streams.toTerminal(options.captureDir).c_str());
    return kExitFailed;
  }
  CapturePlatform capture(machine);
  const int status = RunConsoleReport(capture, options, streams);
  CaptureTotals totals;
  const std::string problem =
      WriteCapture(capture.Record(), machine, options.captureDir, userLanguage, totals);
  if (!problem.empty()) {
    std::fprintf(streams.err, "kdxinfo: capture: %s\n", streams.toTerminal(problem).c_str());
    return kExitFailed;
  }
  std::fprintf(
      streams.out, "%s\n",
      streams
          .toTerminal("Capture in " + options.captureDir + ": " + std::to_string(totals.keys) +
                      " keys, " + std::to_string(totals.files) + " files, " +
                      std::to_string(totals.bytes) + " bytes")
          .c_str());
  return status;
}

}  // namespace kdx
