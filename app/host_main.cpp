// kdxinfo: the report run against a simulated Windows machine directory.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/console/console_program.h"
#include "app/console/report_command.h"
#include "app/exit_codes.h"
#include "platform/errors.h"
#include "platform/sim/sim_platform.h"
#include "platform/text_encoding.h"

namespace {

int RunHostProgram(int argc, char** argv) {
  CLI::App app{
      "kdxinfo - collects the printer set-up of a (simulated) Windows PC into a report file.\n"
      "Shows the instructions, waits for Enter, prints each status line, then asks where to save\n"
      "the report (an empty answer cancels).\n"
      "Exit status: 0 report written, 1 cancelled, 2 error or machine directory refused."};
  kdx::ConsoleOptions options;
  options.machineDir = KDX_DEFAULT_MACHINE;
  std::string output;
  app.add_option("--machine", options.machineDir, "Simulated machine directory")
      ->capture_default_str();
  app.add_flag("--yes", options.assumeYes, "Do not wait for Enter after the instructions");
  app.add_option("--output", output,
                 "Report file, or an existing folder for the proposed file name (no question)");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kdx::kExitFailed;
  }
  if (!output.empty()) options.output = output;

  try {
    kdx::SimPlatform platform(options.machineDir);
    return kdx::RunConsoleReport(platform, options,
                                 {std::cin, std::cout, std::cerr, &kdx::Cp1252ToUtf8});
  } catch (const kdx::KdxError& error) {
    std::cerr << "kdxinfo: " << kdx::Cp1252ToUtf8(error.what()) << '\n';
    return kdx::kExitFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (kdx::IsReportCommand(arguments)) return kdx::RunReportCommand(arguments, stdout, stderr);
  try {
    return RunHostProgram(argc, argv);
  } catch (const std::exception& error) {
    // The host's own failures (an unreadable machine folder, no memory) end with a message
    // too; their texts come from the host and are shown as they are.
    std::cerr << "kdxinfo: " << error.what() << '\n';
    return kdx::kExitFailed;
  }
}
