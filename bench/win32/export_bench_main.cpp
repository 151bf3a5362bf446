// Times the registry export of HKEY_LOCAL_MACHINE\System\CurrentControlSet on the running
// system, in process, so that Wine's process start-up stays out of the figures; it is meant
// to be set beside "regedit /e" of the same key.
//   kdx_export_bench.exe [OUTPUT] [RUNS]   (RUNS 0: start and end only, to time the start-up)
#include <windows.h>
// psapi.h needs the types windows.h declares.
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/win32/win32_platform.h"
#include "report/registry_export.h"
#include "report/report_writer.h"
#include "run/run_context.h"
#include "testkit/silent_front_end.h"

namespace {

constexpr char kDefaultOutput[] = "kdx_export_bench.txt";
constexpr int kDefaultRuns = 5;
constexpr char kExportedPath[] = "\\System\\CurrentControlSet";

struct Tally {
  std::uint64_t bytes = 0;
  std::uint64_t lines = 0;
};

/// Counts what reaches the file, so that the figures need no second read of it.
class CountingFile final : public kdx::OutputFile {
 public:
  CountingFile(std::unique_ptr<kdx::OutputFile> file, Tally& tally)
      : file_(std::move(file)), tally_(tally) {}

  long Write(const char* data, std::size_t size) override {
    tally_.bytes += size;
    tally_.lines += static_cast<std::uint64_t>(std::count(data, data + size, '\n'));
    return file_->Write(data, size);
  }
  long Close() override { return file_->Close(); }

 private:
  std::unique_ptr<kdx::OutputFile> file_;
  Tally& tally_;
};

struct RunResult {
  double milliseconds = 0;
  Tally tally;
};

class Stopwatch {
 public:
  Stopwatch() {
    QueryPerformanceFrequency(&frequency_);
    QueryPerformanceCounter(&start_);
  }
  double ElapsedMilliseconds() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
           static_cast<double>(frequency_.QuadPart);
  }

 private:
  LARGE_INTEGER frequency_;
  LARGE_INTEGER start_;
};

/// One export into a fresh file; creating and closing the file count, as they would for any
/// program that writes the export to disk.
RunResult RunOnce(kdx::Win32Platform& platform, const std::string& outputPath) {
  kdx::test::SilentFrontEnd frontEnd;
  kdx::RunContext context(platform, frontEnd);
  RunResult result;
  const Stopwatch stopwatch;
  std::unique_ptr<kdx::OutputFile> file;
  kdx::CheckFileCall(platform.Files().CreateOutputFile(outputPath, file));
  kdx::ReportWriter writer(std::make_unique<CountingFile>(std::move(file), result.tally));
  kdx::ExportRegistryKey(context, writer, kdx::kHKeyLocalMachine, kExportedPath, "");
  writer.Close();
  result.milliseconds = stopwatch.ElapsedMilliseconds();
  return result;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  if (values.size() % 2 == 1) return values[middle];
  return (values[middle - 1] + values[middle]) / 2;
}

double PeakWorkingSetMiB() {
  PROCESS_MEMORY_COUNTERS counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return -1;
  return static_cast<double>(counters.PeakWorkingSetSize) / (1 << 20);
}

int RunBenchmark(const std::string& outputPath, int runs) {
  kdx::Win32Platform platform;
  std::vector<double> milliseconds;
  for (int run = 1; run <= runs; ++run) {
    const RunResult result = RunOnce(platform, outputPath);
    milliseconds.push_back(result.milliseconds);
    std::printf("run %d: %.3f ms, %llu bytes, %llu lines\n", run, result.milliseconds,
                static_cast<unsigned long long>(result.tally.bytes),
                static_cast<unsigned long long>(result.tally.lines));
  }
  std::printf("best: %.3f ms\nmedian: %.3f ms\n",
              *std::min_element(milliseconds.begin(), milliseconds.end()), Median(milliseconds));
  std::printf("peak working set: %.2f MiB\n", PeakWorkingSetMiB());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string outputPath = argc > 1 ? argv[1] : kDefaultOutput;
  const int runs = argc > 2 ? std::atoi(argv[2]) : kDefaultRuns;
  if (runs < 0) {
    std::fprintf(stderr, "usage: kdx_export_bench.exe [OUTPUT] [RUNS >= 0]\n");
    return 2;
  }
  if (runs == 0) return 0;
  try {
    return RunBenchmark(outputPath, runs);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "export failed: %s\n", error.what());
    return 1;
  }
}
