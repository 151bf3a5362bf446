// kdxinfo: the report run against a simulated Windows machine directory.
#include <sys/stat.h>

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "app/console/command_line.h"
#include "app/console/console_program.h"
#include "app/console/report_command.h"
#include "app/exit_codes.h"
#include "platform/errors.h"
#include "platform/sim/sim_platform.h"
#include "platform/text_encoding.h"

namespace {

constexpr char kUsage[] =
    "kdxinfo - collects the printer set-up of a (simulated) Windows PC into a report file.\n"
    "Shows the instructions, waits for Enter, prints each status line, then asks where to save\n"
    "the report (an empty answer cancels).\n"
    "\n"
    "Usage: kdxinfo [--machine DIR] [--yes] [--output PATH]\n"
    "  --machine DIR   simulated machine directory (default: " KDX_DEFAULT_MACHINE
    ")\n"
    "  --yes           do not wait for Enter after the instructions\n"
    "  --output PATH   report file, or an existing folder for the proposed file name\n"
    "\n"
    "Exit status: 0 report written, 1 cancelled, 2 error or machine directory refused.\n";

bool IsHostFolder(const std::string& path) {
  struct stat status {};
  return ::stat(kdx::Cp1252ToUtf8(path).c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

void PrintError(const std::string& utf8Message) {
  std::fprintf(stderr, "kdxinfo: %s\n", utf8Message.c_str());
}

int RunHostProgram(const std::vector<std::string>& arguments) {
  kdx::CommandLine line = kdx::ParseCommandLine(arguments, {.machine = true});
  if (const auto exitStatus = kdx::AnswerWithoutRun(line, kUsage)) return *exitStatus;
  kdx::ConsoleOptions& options = line.options;
  if (options.machineDir.empty()) options.machineDir = KDX_DEFAULT_MACHINE;
  // The terminal speaks UTF-8; the program's own text is Windows-1252.
  if (options.output) options.output = kdx::Utf8ToCp1252(*options.output);
  try {
    kdx::SimPlatform platform(options.machineDir);
    return kdx::RunConsoleReport(
        platform, options,
        {stdin, stdout, stderr, &kdx::Cp1252ToUtf8, &kdx::Utf8ToCp1252, &IsHostFolder});
  } catch (const kdx::KdxError& error) {
    PrintError(kdx::Cp1252ToUtf8(error.what()));
    return kdx::kExitFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (kdx::IsReportCommand(arguments)) return kdx::RunReportCommand(arguments, stdout, stderr);
  try {
    return RunHostProgram(arguments);
  } catch (const std::exception& error) {
    // The host's own failures (an unreadable machine folder, no memory) end with a message
    // too; their texts come from the host and are shown as they are.
    PrintError(error.what());
    return kdx::kExitFailed;
  }
}
