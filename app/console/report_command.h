#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kdx {

/// How the report reader is called, for both programs' --help.
inline constexpr char kReportCommandsUsage[] =
    "Reading reports back:\n"
    "  kdxinfo read REPORT_OR_FOLDER... [--json] [--html FILE] [--lang de|en]\n"
    "  kdxinfo diff OLD NEW [--json] [--html FILE] [--lang de|en]\n"
    "read: the findings of a report, most severe first, each with its remedy and evidence,\n"
    "then the PC at a glance; several reports or a folder of them: one line per report.\n"
    "diff: what changed between two reports of one PC, part by part, findings included.\n";

/// `kdxinfo read REPORT_OR_FOLDER... [--json] [--html FILE] [--lang de|en]` and
/// `kdxinfo diff OLD NEW [--json] [--html FILE] [--lang de|en]`: arguments without the program
/// name, the first being "read" or "diff". Prints UTF-8 to out, messages to err. Exit status:
/// 0 no finding of severity error (read) or no change (diff), 1 otherwise, 2 for a file that
/// is not a report as the program wrote it (missing, a folder, empty, no report, re-saved in
/// another encoding, its lines stripped of their trailing blanks or re-wrapped) or a usage
/// error. Several reports (or a folder): one line each, and the highest status of theirs.
int RunReportCommand(const std::vector<std::string>& arguments, std::FILE* out, std::FILE* err);

/// True when the arguments (without the program name) ask for RunReportCommand.
bool IsReportCommand(const std::vector<std::string>& arguments);

}  // namespace kdx
