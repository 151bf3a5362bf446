// Writing a report of a million table rows through Button2Click on a minimal machine,
// beside a floor that writes the same table lines with one buffered fwrite loop.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/bench_support.h"
#include "platform/sim/sim_platform.h"
#include "report/report_file.h"
#include "run/run_context.h"
#include "testkit/silent_front_end.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kRows = 1000000;

/// Rows as the file inventory gives them: a file's path, then date, size and versions.
void FillTable(ReportTable& table) {
  char key[96];
  char value[96];
  for (int i = 0; i < kRows; ++i) {
    std::snprintf(key, sizeof key, "C:\\WINDOWS\\system32\\drivers\\kdx%06d.sys", i);
    std::snprintf(value, sizeof value, "12.03.2008 14:22:10  %d.%03d Bytes  A  5.1.2600.%d",
                  i / 1000 % 1000, i % 1000, i % 5000);
    table.AddRow(key, value);
  }
}

/// The floor: each table line, key TAB value CR LF, handed to a 64 KiB stdio buffer with
/// one unlocked fwrite.
std::uintmax_t WriteTableWithFwrite(const ReportTable& table, const fs::path& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
  const auto& rows = table.Rows();
  std::string line;
  for (std::size_t i = 1; i < rows.size(); ++i) {
    line.assign(rows[i].key);
    line += '\t';
    line += rows[i].value;
    line += "\r\n";
    fwrite_unlocked(line.data(), 1, line.size(), file);
  }
  std::fclose(file);
  return fs::file_size(path);
}

/// The heap the table holds: its row array and every text too long for the string itself.
std::uint64_t TableBytes(const ReportTable& table) {
  const auto& rows = table.Rows();
  std::uint64_t bytes = rows.capacity() * sizeof(ReportRow);
  for (const ReportRow& row : rows) {
    for (const std::string* text : {&row.key, &row.value}) {
      if (text->capacity() > std::string().capacity()) bytes += text->capacity() + 1;
    }
  }
  return bytes;
}

void SetCounters(benchmark::State& state, std::uintmax_t fileBytes, std::uint64_t tableBytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
  state.counters["file_MB"] = static_cast<double>(fileBytes) / (1 << 20);
  state.counters["table_MB"] = static_cast<double>(tableBytes) / (1 << 20);
  state.counters["peak_rss_MB"] = static_cast<double>(PeakRssBytes()) / (1 << 20);
}

void BM_FwriteFloor(benchmark::State& state, const fs::path& machineDir) {
  ResetPeakRss();
  ReportTable table;
  FillTable(table);
  const fs::path path = machineDir / "floor.txt";
  std::uintmax_t fileBytes = 0;
  for (auto _ : state) fileBytes = WriteTableWithFwrite(table, path);
  SetCounters(state, fileBytes, TableBytes(table));
}

void BM_Button2Click(benchmark::State& state, const fs::path& machineDir) {
  ResetPeakRss();
  SimPlatform platform(machineDir);
  const fs::path path = machineDir / "report.txt";
  test::SilentFrontEnd frontEnd(path.string());
  RunContext context(platform, frontEnd);
  context.computerName = "BENCH";
  context.runTime = platform.System().GetLocalTime();
  context.windowsDir = "C:\\WINDOWS";
  context.systemDir = "C:\\WINDOWS\\system32\\";
  FillTable(context.table);
  for (auto _ : state) {
    if (!Button2Click(context)) {
      state.SkipWithError("the report was not written");
      break;
    }
  }
  SetCounters(state, fs::file_size(path), TableBytes(context.table));
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir machine("kdx_bench_report_");
  WriteFileBytes(machine.Path() / "machine.json", kBenchMachineJson);
  fs::create_directories(machine.Path() / "drive_c" / "WINDOWS");

  benchmark::RegisterBenchmark("WriteReport/fwrite_floor", BM_FwriteFloor, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("WriteReport/Button2Click", BM_Button2Click, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
