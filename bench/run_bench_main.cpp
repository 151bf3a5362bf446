// Times the whole report run on a simulated machine beside its floor: the same machine asked
// each distinct question of the run once, answers only walked (bench/whole_run.h). Phases
// follow the run's status lines; the rounds take turns between the run and the floor. It is
// an entry point of its own, not part of the shipped programs.
//   kdx_run_bench MACHINE_DIR OUTPUT [ROUNDS]
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "app/run_report.h"
#include "bench/whole_run.h"
#include "platform/sim/sim_platform.h"

int main(int argc, char** argv) {
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 5;
  if (argc < 3 || rounds < 1) {
    std::fprintf(stderr, "usage: kdx_run_bench MACHINE_DIR OUTPUT [ROUNDS >= 1]\n");
    return 2;
  }
  try {
    kdx::SimPlatform machine(argv[1]);
    const auto run = [](kdx::RunContext& context) {
      return kdx::RunReport(context) == kdx::RunOutcome::Written;
    };
    kdx::bench::PrintComparison(kdx::bench::CompareWithFloor(machine, argv[2], rounds, run),
                                stdout);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "run failed: %s\n", error.what());
    return 1;
  }
}
