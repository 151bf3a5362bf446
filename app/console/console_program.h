#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kdx {

/// What the console program was asked to do.
struct ConsoleOptions {
  std::string machineDir;             ///< host program only: the simulated machine
  bool assumeYes = false;             ///< do not wait for Enter after the instruction texts
  std::optional<std::string> output;  ///< report path or folder instead of asking
};

/// Streams and terminal encoding of the console program.
struct ConsoleStreams {
  std::istream& in;
  std::ostream& out;
  std::ostream& err;
  /// Converts the program's Windows-1252 text for the terminal.
  std::string (*toTerminal)(std::string_view text);
};

/// Runs the report on platform with the console front end; returns the exit status
/// (app/exit_codes.h).
int RunConsoleReport(Platform& platform, const ConsoleOptions& options, ConsoleStreams streams);

}  // namespace kdx
