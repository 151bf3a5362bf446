// kdxinfo.exe: the report run on the running Windows system, for scripts and tests.
#include <windows.h>

#include <shellapi.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "app/console/console_program.h"
#include "app/console/report_command.h"
#include "app/exit_codes.h"
#include "platform/errors.h"
#include "platform/text_encoding.h"
#include "platform/win32/win32_platform.h"

namespace {

// The console front end talks UTF-8 to its terminal (the host program's contract), so the
// console is switched to UTF-8 both ways for the run. Windows consoles then show every German
// character whatever the OEM code page, and the arguments are taken from the UTF-16 command
// line so a path with umlauts reaches the front end as UTF-8 too.
class Utf8Console {
 public:
  Utf8Console() : input_(::GetConsoleCP()), output_(::GetConsoleOutputCP()) {
    ::SetConsoleCP(CP_UTF8);
    ::SetConsoleOutputCP(CP_UTF8);
  }
  ~Utf8Console() {
    // Without a console both were 0 and nothing was changed.
    if (input_ != 0) ::SetConsoleCP(input_);
    if (output_ != 0) ::SetConsoleOutputCP(output_);
  }
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  UINT input_;
  UINT output_;
};

std::string ToUtf8(const wchar_t* text) {
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string result(static_cast<std::size_t>(size), '\0');
  ::WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
  result.pop_back();
  return result;
}

std::vector<std::string> Utf8Arguments() {
  int count = 0;
  wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> result;
  if (arguments == nullptr) return result;
  for (int i = 0; i < count; ++i) result.push_back(ToUtf8(arguments[i]));
  ::LocalFree(arguments);
  return result;
}

int RunConsoleProgram() {
  CLI::App app{
      "kdxinfo - collects the printer set-up of this Windows PC into a report file.\n"
      "Shows the instructions, waits for Enter, prints each status line, then asks where to save\n"
      "the report (an empty answer cancels).\n"
      "Exit status: 0 report written, 1 cancelled, 2 error."};
  kdx::ConsoleOptions options;
  std::string output;
  app.add_flag("--yes", options.assumeYes, "Do not wait for Enter after the instructions");
  app.add_option("--output", output,
                 "Report file, or an existing folder for the proposed file name (no question)");

  const Utf8Console console;
  const std::vector<std::string> arguments = Utf8Arguments();
  std::vector<const char*> argv;
  argv.reserve(arguments.size());
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  try {
    app.parse(static_cast<int>(argv.size()), argv.data());
  } catch (const CLI::ParseError& error) {
    return app.exit(error) == 0 ? 0 : kdx::kExitFailed;
  }
  if (!output.empty()) options.output = output;

  try {
    kdx::Win32Platform platform;
    return kdx::RunConsoleReport(platform, options,
                                 {std::cin, std::cout, std::cerr, &kdx::Cp1252ToUtf8});
  } catch (const kdx::KdxError& error) {
    std::cerr << "kdxinfo: " << kdx::Cp1252ToUtf8(error.what()) << '\n';
    return kdx::kExitFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Reading reports back prints UTF-8 like the run, and needs no collection.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (kdx::IsReportCommand(arguments)) {
    const Utf8Console console;
    return kdx::RunReportCommand(arguments, stdout, stderr);
  }
  try {
    return RunConsoleProgram();
  } catch (const std::exception& error) {
    // Failures of the C++ runtime itself (no memory) still end with a message.
    std::cerr << "kdxinfo: " << error.what() << '\n';
    return kdx::kExitFailed;
  }
}
