#include "app/console/command_line.h"

#include <cstdio>
#include <optional>
#include <string_view>

#include "app/console/report_command.h"
#include "app/exit_codes.h"

namespace kdx {

namespace {

struct Argument {
  std::string_view name;
  std::optional<std::string> value;  ///< the "=value" part, when given that way
};

Argument SplitArgument(std::string_view argument) {
  const auto equals = argument.find('=');
  if (equals == std::string_view::npos) return {argument, std::nullopt};
  return {argument.substr(0, equals), std::string(argument.substr(equals + 1))};
}

CommandLine Refused(std::string problem) {
  CommandLine line;
  line.action = CommandLine::Action::Refuse;
  line.problem = std::move(problem);
  return line;
}

}  // namespace

CommandLine ParseCommandLine(const std::vector<std::string>& arguments, CommandLineSyntax syntax) {
  CommandLine line;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const Argument argument = SplitArgument(arguments[i]);
    const bool takesValue = argument.name == "--output" ||
                            (syntax.machine && argument.name == "--machine") ||
                            (syntax.capture && argument.name == "--capture");
    if (argument.name == "--help" || argument.name == "-h") {
      line.action = CommandLine::Action::ShowHelp;
      return line;
    }
    if (argument.name == "--yes" && !argument.value) {
      line.options.assumeYes = true;
      continue;
    }
    if (!takesValue) return Refused("unknown argument: " + arguments[i]);
    std::string value;
    if (argument.value) {
      value = *argument.value;
    } else if (i + 1 < arguments.size()) {
      value = arguments[++i];
    } else {
      return Refused(std::string(argument.name) + " needs a value");
    }
    if (argument.name == "--output") {
      // An empty path asks, as if none was given.
      if (!value.empty()) line.options.output = value;
    } else if (argument.name == "--capture") {
      line.options.captureDir = value;
    } else {
      line.options.machineDir = value;
    }
  }
  return line;
}

std::optional<int> AnswerWithoutRun(const CommandLine& line, const char* usage) {
  switch (line.action) {
    case CommandLine::Action::ShowHelp:
      std::fputs(usage, stdout);
      std::fputs("\n", stdout);
      std::fputs(kReportCommandsUsage, stdout);
      return kExitWritten;
    case CommandLine::Action::Refuse:
      std::fprintf(stderr, "kdxinfo: %s (--help lists the options)\n", line.problem.c_str());
      return kExitFailed;
    case CommandLine::Action::Run:
      break;
  }
  return std::nullopt;
}

}  // namespace kdx
