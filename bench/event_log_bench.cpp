// Exporting a System log of 50,000 records from 20 sources, each source with its own message
// file, beside a floor: the same reads into the same 2,048-byte buffer, the records walked and
// their bytes counted, no row made. A third run looks up and loads the message file again for
// every record, to show what keeping one per source saves; its rows are checked against the
// export's.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "collectors/system/event_log_export.h"
#include "platform/event_records.h"
#include "platform/registry.h"
#include "platform/sim/sim_platform.h"
#include "run/date_time_format.h"
#include "testkit/silent_front_end.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kRecords = 50000;
constexpr int kSources = 20;
constexpr std::size_t kReadBuffer = 2048;
constexpr char kSourcesKey[] = "SYSTEM\\CurrentControlSet\\Services\\EventLog\\System\\";

std::string SourceName(int n) {
  char name[32];
  std::snprintf(name, sizeof name, "Quelle %02d", n);
  return name;
}

/// Records oldest first, the sources taking turns, each with two insertion strings for the
/// message "Meldung mit den Parametern %1 und %2".
std::string SystemLog() {
  std::string log;
  for (int i = 0; i < kRecords; ++i) {
    char record[256];
    std::snprintf(record, sizeof record,
                  "source: %s\ntype: %s\nid: 2\ntime: 2026-12-%02d %02d:%02d:%02d\n"
                  "computer: BUERO-PC07\nstring: Auftrag %d\nstring: Drucker %d\n\n",
                  SourceName(i % kSources).c_str(), i % 3 == 0 ? "error" : "information",
                  1 + i / 3600 % 28, i / 60 % 24, i % 60, i % 60, i, i % 7);
    log += record;
  }
  return log;
}

std::string RegistryFile() {
  std::string reg = "REGEDIT4\r\n\r\n";
  for (int n = 0; n < kSources; ++n) {
    reg += "[HKEY_LOCAL_MACHINE\\" + std::string(kSourcesKey) + SourceName(n) + "]\r\n";
    reg += "\"EventMessageFile\"=\"C:\\\\WINDOWS\\\\system32\\\\msg" + std::to_string(n) +
           ".dll\"\r\n\r\n";
  }
  return reg;
}

/// The floor: every read the export makes, the records walked, nothing formatted.
std::size_t WalkLog(Platform& platform) {
  long error = kErrorSuccess;
  const auto log = platform.EventLogs().OpenEventLogA("System", error);
  std::vector<char> buffer(kReadBuffer);
  std::uint32_t read = 0;
  std::uint32_t needed = 0;
  std::size_t bytes = 0;
  while (log->ReadEventLogA(buffer, read, needed) == kErrorSuccess) {
    EventRecordWalker walker(std::string_view(buffer.data(), read));
    while (const auto record = walker.Next()) bytes += record->sourceName.size() + record->length;
  }
  return bytes;
}

/// The export's rows with the message file looked up and loaded for every record.
void ExportLoadingPerRecord(RunContext& context) {
  long error = kErrorSuccess;
  const auto log = context.platform.EventLogs().OpenEventLogA("System", error);
  std::vector<char> buffer(kReadBuffer);
  std::uint32_t read = 0;
  std::uint32_t needed = 0;
  while (log->ReadEventLogA(buffer, read, needed) == kErrorSuccess) {
    EventRecordWalker walker(std::string_view(buffer.data(), read));
    while (const auto record = walker.Next()) {
      const auto local = context.platform.System().FileTimeToLocalTime(
          record->timeGenerated * 10000000ULL + 116444736000000000ULL);
      context.AddReportRow(EventTypeText(record->eventType) + "|" + record->sourceName,
                           FormatDateTime(context.localeFormats, *local));
      TRegistry registry(context.platform.Registry());
      registry.SelectRoot(kHKeyLocalMachine);
      registry.OpenRead(kSourcesKey + record->sourceName);
      const std::string value = registry.ReadText("EventMessageFile");
      const std::string path =
          context.platform.System().ExpandEnvironmentStringsA(value).value_or(value);
      const auto module = context.platform.EventLogs().LoadLibraryExA(path, error);
      std::string text;
      if (module && module->FormatMessageA(record->eventId, record->strings, text) == 0) {
        context.AddReportRow("", text);
      }
    }
  }
}

template <typename Body>
void Measure(benchmark::State& state, const fs::path& machineDir, Body body) {
  SimPlatform platform(machineDir);
  test::SilentFrontEnd frontEnd;
  ResetPeakRss();
  const std::uint64_t before = CurrentRssBytes();
  std::size_t count = 0;
  for (auto _ : state) {
    RunContext context(platform, frontEnd);
    count = body(context);
    benchmark::DoNotOptimize(count);
  }
  state.counters["count"] = static_cast<double>(count);
  state.counters["peak_rss_MB"] = static_cast<double>(PeakRssBytes()) / 1e6;
  state.counters["rss_growth_MB"] = static_cast<double>(PeakRssBytes() - before) / 1e6;
}

void BM_WalkFloor(benchmark::State& state, const fs::path& machineDir) {
  Measure(state, machineDir, [](RunContext& context) { return WalkLog(context.platform); });
}

void BM_Export(benchmark::State& state, const fs::path& machineDir) {
  Measure(state, machineDir, [](RunContext& context) {
    ExportEventLog(context, "System");
    return context.table.Rows().size();
  });
}

void BM_LoadPerRecord(benchmark::State& state, const fs::path& machineDir) {
  // The same rows as the export, checked once outside the timing.
  SimPlatform platform(machineDir);
  test::SilentFrontEnd frontEnd;
  RunContext cached(platform, frontEnd);
  ExportEventLog(cached, "System");
  RunContext naive(platform, frontEnd);
  naive.AddReportRow("", "");
  naive.AddReportRow(Ruler(), "");
  naive.AddReportRow("EventLog", "System");
  ExportLoadingPerRecord(naive);
  const auto& a = cached.table.Rows();
  const auto& b = naive.table.Rows();
  const bool same =
      a.size() == b.size() &&
      std::equal(a.begin(), a.end(), b.begin(), [](const ReportRow& x, const ReportRow& y) {
        return x.key == y.key && x.value == y.value;
      });
  if (!same) {
    state.SkipWithError("rows differ from the export's");
    return;
  }
  Measure(state, machineDir, [](RunContext& context) {
    ExportLoadingPerRecord(context);
    return context.table.Rows().size();
  });
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir machine("kdx_bench_eventlog_");
  WriteFileBytes(machine.Path() / "machine.json", kBenchMachineJson);
  WriteFileBytes(machine.Path() / "registry" / "eventlog.reg", RegistryFile());
  WriteFileBytes(machine.Path() / "eventlog" / "System.txt", SystemLog());
  const std::string messageFile = ReadFileBytes(SourceDir() / "tests/data/pe/kdx_resources.dll");
  for (int n = 0; n < kSources; ++n) {
    WriteFileBytes(
        machine.Path() / "drive_c" / "WINDOWS" / "system32" / ("msg" + std::to_string(n) + ".dll"),
        messageFile);
  }

  using Body = void (*)(benchmark::State&, const fs::path&);
  const std::pair<const char*, Body> benchmarks[] = {
      {"EventLog/walk_floor", BM_WalkFloor},
      {"EventLog/export", BM_Export},
      {"EventLog/load_per_record", BM_LoadPerRecord}};
  for (const auto& [name, body] : benchmarks) {
    benchmark::RegisterBenchmark(name, body, machine.Path())
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
