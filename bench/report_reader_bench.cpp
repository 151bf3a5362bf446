// Reading a report of 100 MB back (kdxinfo read), beside a floor that reads the same file
// and splits it into lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/report_reader.h"
#include "bench/bench_support.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTargetBytes = 100U << 20;

// The sample report's table, then a full event log, a registry block and a file list large
// enough to reach 100 MB, in the proportions of a PC with a large driver store.
std::string SyntheticReport() {
  const std::string sample = ReadFileBytes(SourceDir() / "tests" / "golden" / "winxp_de.txt");
  const std::size_t logs = sample.find(std::string(100, '#') + "\r\n\r\n");
  std::string report = sample.substr(0, logs);
  char line[256];
  for (int i = 0; report.size() < kTargetBytes * 4 / 10; ++i) {
    std::snprintf(line, sizeof line,
                  "%s|KDXUSB\t%02d.12.2026 22:%02d:%02d\r\n\tDer Dienst \"KDX USB-Druckerdienst\" "
                  "meldet den Fehler %d.\r\n",
                  i % 3 == 0 ? "ERROR" : "Information", 1 + i % 28, i % 60, i % 59, i);
    report += line;
  }
  report += std::string(100, '#') + "\r\n\r\nREGEDIT4\r\n\r\n";
  for (int i = 0; report.size() < kTargetBytes * 7 / 10; ++i) {
    std::snprintf(line, sizeof line,
                  "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Enum\\USB\\VID_%04X]\r\n"
                  "\"Driver\"=\"{36FC9E60-C465-11CF-8056-444553540000}\\%04d\"\r\n"
                  "\"Data\"=hex:0A,FF,00,41,42\r\n\"Start\"=dword:%08X\r\n",
                  i, i % 10000, i);
    report += line;
  }
  report += "\r\n[REGEDIT END]\r\n\r\n[FILELIST]\r\n";
  for (int i = 0; report.size() < kTargetBytes; ++i) {
    std::snprintf(line, sizeof line,
                  "%s('OEM%06d.INF','5.1.%d','5.1','C:\\WINDOWS\\INF\\','%d','04.08.2004',"
                  "'00:00:00','Microsoft Corporation','A'),\r\n",
                  i % 4 == 3 ? "  {Different file}" : "", i / 2, i % 7, 1000 + i);
    report += line;
  }
  report += "[FILELIST END]\r\n\r\nKDXMONX ist nicht gestartet\r\n\r\nEND OF KDXINFO\r\n";
  return report;
}

std::string ReadWhole(const fs::path& path) {
  std::string bytes;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return bytes;
  bytes.resize(fs::file_size(path));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
  std::fclose(file);
  return bytes;
}

void SetCounters(benchmark::State& state, std::size_t fileBytes, std::size_t lines) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
  state.counters["file_MB"] = static_cast<double>(fileBytes) / (1 << 20);
  state.counters["lines"] = static_cast<double>(lines);
  state.counters["peak_rss_MB"] = static_cast<double>(PeakRssBytes()) / (1 << 20);
}

void BM_SplitLinesFloor(benchmark::State& state, const fs::path& path) {
  ResetPeakRss();
  std::size_t size = 0;
  std::size_t count = 0;
  for (auto _ : state) {
    const std::string bytes = ReadWhole(path);
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < bytes.size();) {
      std::size_t end = bytes.find('\n', start);
      if (end == std::string::npos) end = bytes.size();
      lines.emplace_back(bytes.data() + start, end - start);
      start = end + 1;
    }
    benchmark::DoNotOptimize(lines.data());
    size = bytes.size();
    count = lines.size();
  }
  SetCounters(state, size, count);
}

void BM_ReadReport(benchmark::State& state, const fs::path& path, bool withFindings) {
  ResetPeakRss();
  std::size_t size = 0;
  std::size_t count = 0;
  for (auto _ : state) {
    const std::string bytes = ReadWhole(path);
    const analysis::Report report = analysis::ReadReport(bytes);
    if (withFindings) benchmark::DoNotOptimize(analysis::FindFindings(report).size());
    size = bytes.size();
    count = report.lines.size();
  }
  SetCounters(state, size, count);
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir dir("kdx_bench_reader_");
  const fs::path path = dir.Path() / "KDXINFO_BENCH.txt";
  WriteFileBytes(path, SyntheticReport());

  benchmark::RegisterBenchmark("ReadReport/split_lines_floor", BM_SplitLinesFloor, path)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("ReadReport/ReadReport", BM_ReadReport, path, false)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("ReadReport/ReadReport_and_findings", BM_ReadReport, path, true)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
