#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/console/console_program.h"

namespace kdx {

/// What the command line asks of a console program.
struct CommandLine {
  enum class Action { Run, ShowHelp, Refuse };
  Action action = Action::Run;
  ConsoleOptions options;
  std::string problem;  ///< why the command line was refused, for standard error
};

/// Which options a console program takes beyond --yes, --output and --help.
struct CommandLineSyntax {
  bool machine = false;  ///< --machine DIR: the host program's simulated machine
  bool capture = false;  ///< --capture DIR: the Windows program's machine directory
};

/// Reads the arguments after the program name: "--name value", "--name=value" and flags.
/// Values are kept byte for byte; an unknown option, a missing value or an operand refuses
/// the whole line.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments, CommandLineSyntax syntax);

/// Answers a line that asks for no run: usage on standard output for --help, followed by how
/// reports are read back, the problem on standard error for a refused line; the exit status
/// then. Nothing for a line that runs.
std::optional<int> AnswerWithoutRun(const CommandLine& line, const char* usage);

}  // namespace kdx
