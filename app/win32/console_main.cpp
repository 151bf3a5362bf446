// kdxinfo.exe: the report run on the running Windows system, for scripts and tests.
#include <windows.h>

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
#include "platform/text_encoding.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr char kUsage[] =
    "kdxinfo - collects the printer set-up of this Windows PC into a report file.\n"
    "Shows the instructions, waits for Enter, prints each status line, then asks where to save\n"
    "the report (an empty answer cancels).\n"
    "\n"
    "Usage: kdxinfo [--yes] [--output PATH] [--capture DIR]\n"
    "  --yes           do not wait for Enter after the instructions\n"
    "  --output PATH   report file, or an existing folder for the proposed file name\n"
    "  --capture DIR   also write what the run read into DIR, a machine directory the host\n"
    "                  program replays (see the README for what it holds)\n"
    "\n"
    "Exit status: 0 report written, 1 cancelled, 2 error.\n";

// The console front end talks UTF-8 to its terminal, as the host program does, so the
// console is switched to UTF-8 both ways for the run: every German character shows whatever
// the OEM code page. The 95 family cannot switch; there the text goes in the console's own
// code page.
class ConsoleCodePages {
 public:
  ConsoleCodePages() : input_(::GetConsoleCP()), output_(::GetConsoleOutputCP()) {
    // Without a console both are 0: the output goes to a file or pipe, in UTF-8.
    utf8_ = output_ == 0 || (::SetConsoleOutputCP(CP_UTF8) && ::SetConsoleCP(CP_UTF8));
  }
  ~ConsoleCodePages() {
    if (input_ != 0) ::SetConsoleCP(input_);
    if (output_ != 0) ::SetConsoleOutputCP(output_);
  }
  ConsoleCodePages(const ConsoleCodePages&) = delete;
  ConsoleCodePages& operator=(const ConsoleCodePages&) = delete;

  bool Utf8() const { return utf8_; }

 private:
  UINT input_;
  UINT output_;
  bool utf8_ = false;
};

std::string Recode(std::string_view text, UINT from, UINT to) {
  if (text.empty()) return {};
  const int length = static_cast<int>(text.size());
  std::wstring wide(text.size(), L'\0');
  const int units = ::MultiByteToWideChar(from, 0, text.data(), length, wide.data(), length);
  std::string result(static_cast<std::size_t>(units) * 2, '\0');
  const int bytes = ::WideCharToMultiByte(to, 0, wide.data(), units, result.data(),
                                          static_cast<int>(result.size()), nullptr, nullptr);
  result.resize(static_cast<std::size_t>(bytes));
  return result;
}

std::string AnsiToOem(std::string_view text) { return Recode(text, CP_ACP, CP_OEMCP); }
std::string OemToAnsi(std::string_view text) { return Recode(text, CP_OEMCP, CP_ACP); }

bool IsWindowsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void PrintError(const std::string& message) {
  std::fprintf(stderr, "kdxinfo: %s\n", message.c_str());
}

// The arguments come as the C runtime split them from the ANSI command line: already in the
// program's own code page, and there on every Windows, unlike the shell's UTF-16 splitter.
int RunConsoleProgram(const std::vector<std::string>& arguments) {
  const kdx::CommandLine line = kdx::ParseCommandLine(arguments, {.capture = true});
  if (const auto exitStatus = kdx::AnswerWithoutRun(line, kUsage)) return *exitStatus;
  const ConsoleCodePages console;
  kdx::ConsoleStreams streams{
      stdin, stdout, stderr, &kdx::Cp1252ToUtf8, &kdx::Utf8ToCp1252, &IsWindowsFolder};
  if (!console.Utf8()) {
    streams.toTerminal = &AnsiToOem;
    streams.fromTerminal = &OemToAnsi;
  }
  try {
    kdx::Win32Platform platform;
    if (!line.options.captureDir.empty()) {
      return kdx::RunCapturedConsoleReport(platform, line.options, streams,
                                           ::GetUserDefaultLangID());
    }
    return kdx::RunConsoleReport(platform, line.options, streams);
  } catch (const kdx::KdxError& error) {
    PrintError(streams.toTerminal(error.what()));
    return kdx::kExitFailed;
  }
}

}  // namespace

int main(int argc, char** argv) {
  // Reading reports back prints UTF-8 like the run, and needs no collection.
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  if (kdx::IsReportCommand(arguments)) {
    const ConsoleCodePages console;
    return kdx::RunReportCommand(arguments, stdout, stderr);
  }
  try {
    return RunConsoleProgram(arguments);
  } catch (const std::exception& error) {
    // Failures of the C++ runtime itself (no memory) still end with a message.
    PrintError(error.what());
    return kdx::kExitFailed;
  }
}
