#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace kdx {

/// What the console program was asked to do.
struct ConsoleOptions {
  std::string machineDir;             ///< host program only: the simulated machine
  std::string captureDir;             ///< Windows program only: where the capture goes
  bool assumeYes = false;             ///< do not wait for Enter after the instruction texts
  std::optional<std::string> output;  ///< report path or folder instead of asking (Windows-1252)
};

/// Streams, terminal encoding and save folder test of the console program. C streams rather
/// than iostreams: the Windows program must load on systems whose C runtime lacks what the
/// file streams of the C++ library import.
struct ConsoleStreams {
  std::FILE* in;
  std::FILE* out;
  std::FILE* err;
  /// Converts the program's Windows-1252 text for the terminal, and an answer back.
  std::string (*toTerminal)(std::string_view text);
  std::string (*fromTerminal)(std::string_view text);
  /// True when the Windows-1252 path names an existing folder where the report is saved.
  bool (*isFolder)(const std::string& path);
};

/// Runs the report on platform with the console front end; returns the exit status
/// (app/exit_codes.h).
int RunConsoleReport(Platform& platform, const ConsoleOptions& options, ConsoleStreams streams);

/// RunConsoleReport through a recording platform, then the machine directory of what the run
/// read into options.captureDir, and a line saying what it holds. userLanguage: the user's
/// language id, which the capture states. A capture that cannot be written fails the run
/// (kExitFailed) whatever the report did.
int RunCapturedConsoleReport(Platform& machine, const ConsoleOptions& options,
                             ConsoleStreams streams, std::uint16_t userLanguage);

}  // namespace kdx
