// --capture is the Windows console program's alone: the host program, which has no PC to
// capture, refuses it like any unknown option.
#include <gtest/gtest.h>

#include "app/console/command_line.h"

namespace kdx {
namespace {

TEST(CommandLineCapture, TakesAFolderOnlyWhereTheProgramCaptures) {
  struct Case {
    std::vector<std::string> arguments;
    CommandLineSyntax syntax;
    CommandLine::Action action;
    std::string captureDir;
  };
  const Case cases[] = {
      {{"--capture", "C:\\Temp\\pc", "--yes"},
       {.capture = true},
       CommandLine::Action::Run,
       "C:\\Temp\\pc"},
      {{"--capture=D:\\x y"}, {.capture = true}, CommandLine::Action::Run, "D:\\x y"},
      {{"--capture"}, {.capture = true}, CommandLine::Action::Refuse, ""},
      {{"--capture", "pc"}, {.machine = true}, CommandLine::Action::Refuse, ""},
      {{"--yes"}, {.capture = true}, CommandLine::Action::Run, ""},
  };
  for (const Case& c : cases) {
    const CommandLine line = ParseCommandLine(c.arguments, c.syntax);
    EXPECT_EQ(line.action, c.action) << c.arguments[0];
    EXPECT_EQ(line.options.captureDir, c.captureDir) << c.arguments[0];
  }
  EXPECT_EQ(ParseCommandLine({"--capture"}, {.capture = true}).problem, "--capture needs a value");
}

}  // namespace
}  // namespace kdx
