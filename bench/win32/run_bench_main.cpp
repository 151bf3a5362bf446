// Times the whole report run on the running system beside its floor: the same machine asked
// each distinct question of the run once, answers only walked (bench/whole_run.h). Phases
// follow the run's status lines; the rounds take turns between the run and the floor. It is
// an entry point of its own, not part of the shipped programs.
//   kdx_run_bench.exe [OUTPUT] [ROUNDS]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/run_report.h"
#include "bench/whole_run.h"
#include "platform/win32/win32_platform.h"

namespace {

constexpr char kDefaultOutput[] = "kdx_run_bench.txt";
constexpr int kDefaultRounds = 5;

/// The report file's path made absolute, as the save dialog would hand it over.
std::string AbsolutePath(const std::string& path) {
  char full[MAX_PATH];
  const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
  return length == 0 || length >= sizeof full ? path : std::string(full, length);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string outputPath = AbsolutePath(argc > 1 ? argv[1] : kDefaultOutput);
  const int rounds = argc > 2 ? std::atoi(argv[2]) : kDefaultRounds;
  if (rounds < 1) {
    std::fprintf(stderr, "usage: kdx_run_bench.exe [OUTPUT] [ROUNDS >= 1]\n");
    return 2;
  }
  try {
    kdx::Win32Platform platform;
    const auto run = [](kdx::RunContext& context) {
      return kdx::RunReport(context) == kdx::RunOutcome::Written;
    };
    kdx::bench::PrintComparison(kdx::bench::CompareWithFloor(platform, outputPath, rounds, run),
                                stdout);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "run failed: %s\n", error.what());
    return 1;
  }
}
