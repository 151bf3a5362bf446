// Two shapes of machine that once cost the host program the square of a file's size or the
// file's whole size in memory, each beside its floor:
// - dumping a 4 MB kelmokdx.ini of 2,000 sections (96,000 values, one profile call each), beside
//   reading the file once and splitting its lines;
// - describing a 5,000,000,000-byte (sparse) driver-store file with a version resource, beside
//   describing the same image at its own size. Peak memory is reported for both.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "bench/bench_support.h"
#include "collectors/printing/describe_file.h"
#include "collectors/printing/label_software.h"
#include "platform/formats/ini_file.h"
#include "platform/sim/sim_platform.h"
#include "run/run_context.h"
#include "testkit/silent_front_end.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kSections = 2000;
constexpr int kKeys = 48;
constexpr char kIniPath[] = "C:\\WINDOWS\\kelmokdx.ini";
constexpr char kHugePath[] = "C:\\WINDOWS\\system32\\DRVSTORE\\huge.sys";
constexpr char kSmallPath[] = "C:\\WINDOWS\\system32\\DRVSTORE\\small.sys";
constexpr std::uintmax_t kHugeSize = 5000000000ULL;

std::string KelmoIni() {
  std::string ini;
  char line[96];
  for (int section = 0; section < kSections; ++section) {
    std::snprintf(line, sizeof line, "[Sektion%05d]\r\n", section);
    ini += line;
    for (int key = 0; key < kKeys; ++key) {
      std::snprintf(line, sizeof line, "Schluessel%02d=Wert %05d/%02d mit etwas Text\r\n", key,
                    section, key);
      ini += line;
    }
  }
  return ini;
}

void ReportPeak(benchmark::State& state) {
  state.counters["peak_MB"] = static_cast<double>(PeakRssBytes()) / (1024 * 1024);
}

/// The floors: the file read once and its lines counted, and read once and parsed once, as
/// the profile calls of one run must at least do.
void BM_ReadIniOnceFloor(benchmark::State& state, const fs::path& machineDir, bool parse) {
  ResetPeakRss();
  const fs::path host = machineDir / "drive_c" / "WINDOWS" / "kelmokdx.ini";
  std::size_t lines = 0;
  for (auto _ : state) {
    const std::string bytes = ReadFileBytes(host);
    lines = 0;
    for (const char c : bytes) lines += c == '\n' ? 1 : 0;
    benchmark::DoNotOptimize(lines);
    if (parse)
      benchmark::DoNotOptimize(IniFile(bytes).ProfileString(std::nullopt, std::nullopt, "", 16384));
  }
  state.counters["lines"] = static_cast<double>(lines);
  ReportPeak(state);
}

void BM_DumpIniFile(benchmark::State& state, const fs::path& machineDir) {
  ResetPeakRss();
  for (auto _ : state) {
    // A run of its own each time: the parse is kept for one run only.
    SimPlatform platform(machineDir);
    test::SilentFrontEnd frontEnd((machineDir / "unused.txt").string());
    RunContext context(platform, frontEnd);
    DumpIniFile(context, kIniPath, "");
    state.counters["rows"] = static_cast<double>(context.table.Rows().size());
  }
  ReportPeak(state);
}

void BM_DescribeFile(benchmark::State& state, const fs::path& machineDir, const char* path) {
  ResetPeakRss();
  SimPlatform platform(machineDir);
  test::SilentFrontEnd frontEnd((machineDir / "unused.txt").string());
  RunContext context(platform, frontEnd);
  for (auto _ : state) benchmark::DoNotOptimize(DescribeFile(context, path));
  ReportPeak(state);
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir machine("kdx_bench_shapes_");
  WriteFileBytes(machine.Path() / "machine.json", kBenchMachineJson);
  WriteFileBytes(machine.Path() / "drive_c" / "WINDOWS" / "kelmokdx.ini", KelmoIni());
  const std::string image = ReadFileBytes(SourceDir() / "tests/data/pe/kdx_sample_version.dll");
  const fs::path store = machine.Path() / "drive_c" / "WINDOWS" / "system32" / "DRVSTORE";
  WriteFileBytes(store / "small.sys", image);
  WriteFileBytes(store / "huge.sys", image);
  fs::resize_file(store / "huge.sys", kHugeSize);

  // The descriptions first: the process's peak only grows, and the INI dump's is larger.
  benchmark::RegisterBenchmark("Shapes/DescribeFile_own_size_floor", BM_DescribeFile,
                               machine.Path(), kSmallPath)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime()
      ->Iterations(200);
  benchmark::RegisterBenchmark("Shapes/DescribeFile_5000000000_bytes", BM_DescribeFile,
                               machine.Path(), kHugePath)
      ->Unit(benchmark::kMicrosecond)
      ->UseRealTime()
      ->Iterations(200);
  benchmark::RegisterBenchmark("Shapes/ini_read_once_floor", BM_ReadIniOnceFloor, machine.Path(),
                               false)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("Shapes/ini_read_and_parse_once_floor", BM_ReadIniOnceFloor,
                               machine.Path(), true)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("Shapes/DumpIniFile_4MB", BM_DumpIniFile, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
