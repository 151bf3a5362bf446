#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kdx {

/// `kdxinfo read REPORT [--json] [--html FILE]` and `kdxinfo diff OLD NEW [--json]
/// [--html FILE]`: arguments without the program name, the first being "read" or "diff".
/// Prints UTF-8 to out, messages to err. Exit status: 0 no finding of severity error (read) or
/// no change (diff), 1 otherwise, 2 for a file that is not a report as the program wrote it
/// (missing, a folder, empty, no report, or re-saved in another encoding) or a usage error.
int RunReportCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

/// True when the arguments (without the program name) ask for RunReportCommand.
bool IsReportCommand(const std::vector<std::string>& arguments);

}  // namespace kdx
