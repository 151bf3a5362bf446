// Reading reports back (kdxinfo read, kdxinfo diff, kdxinfo read FOLDER) beside a floor that
// reads the same file and splits it into lines: a report of 100 MB read alone, with its
// findings and as the whole command; two such reports compared; and 1,000 reports of the XP
// sample's size read one after the other as a batch.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/findings.h"
#include "analysis/render.h"
#include "analysis/report_diff.h"
#include "analysis/report_encoding.h"
#include "analysis/report_facts.h"
#include "analysis/report_reader.h"
#include "bench/bench_support.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kTargetBytes = 100U << 20;
constexpr int kBatchReports = 1000;

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

// The same PC a day later: the monitor service started, a driver's start value and a file's
// version changed.
std::string ChangedReport(std::string report) {
  const auto replace = [&](std::string_view from, std::string_view to) {
    const std::size_t at = report.find(from);
    if (at != std::string::npos) report.replace(at, from.size(), to);
  };
  replace("KDXMONX Status 1: STOPPED", "KDXMONX Status 4: RUNNING");
  replace("\"Start\"=dword:00000010", "\"Start\"=dword:00000011");
  replace("('OEM000100.INF','5.1.", "('OEM000100.INF','6.1.");
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

// What `kdxinfo read FILE` does but print: the file's bytes brought to Windows-1252, read,
// its facts and findings, and the text it prints, handed on in pieces as the command does.
std::size_t ReadCommand(const fs::path& path) {
  const analysis::DecodedReport decoded = analysis::DecodeReport(ReadWhole(path));
  const analysis::Report report = analysis::ReadReport(decoded.bytes);
  const analysis::ReportFacts facts = analysis::GatherFacts(report);
  const std::vector<analysis::Finding> findings = analysis::FindFindings(facts);
  const analysis::ReadView view{"report.txt", decoded.encoding, report, facts, findings};
  std::size_t printed = 0;
  {
    analysis::Output text([&](std::string_view piece) { printed += piece.size(); });
    analysis::RenderReadText(view, text);
  }
  return printed;
}

// What `kdxinfo diff OLD NEW` does but print: both reports read with their findings, which
// the comparison compares too.
std::size_t DiffCommand(const fs::path& oldPath, const fs::path& newPath) {
  const analysis::DecodedReport oldBytes = analysis::DecodeReport(ReadWhole(oldPath));
  const analysis::DecodedReport newBytes = analysis::DecodeReport(ReadWhole(newPath));
  const analysis::Report oldReport = analysis::ReadReport(oldBytes.bytes);
  const analysis::Report newReport = analysis::ReadReport(newBytes.bytes);
  const analysis::ReportFacts oldFacts = analysis::GatherFacts(oldReport);
  const analysis::ReportFacts newFacts = analysis::GatherFacts(newReport);
  const analysis::ReportDiff diff = analysis::DiffReports(
      oldFacts, analysis::FindFindings(oldFacts), newFacts, analysis::FindFindings(newFacts));
  return analysis::RenderDiffText({"old.txt", "new.txt", oldReport, newReport, diff}).size();
}

// One report of a batch: read with its findings, summarised to its line.
std::size_t BatchLine(const fs::path& path) {
  const analysis::DecodedReport decoded = analysis::DecodeReport(ReadWhole(path));
  const analysis::Report report = analysis::ReadReport(decoded.bytes);
  const analysis::ReportFacts facts = analysis::GatherFacts(report);
  const std::vector<analysis::Finding> findings = analysis::FindFindings(facts);
  const analysis::ReadView view{path.filename().string(), decoded.encoding, report, facts,
                                findings};
  return analysis::RenderBatchText(analysis::BatchLineOf(view, 0), analysis::Language::German)
      .size();
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
    if (withFindings) {
      benchmark::DoNotOptimize(analysis::FindFindings(analysis::GatherFacts(report)).size());
    }
    size = bytes.size();
    count = report.FileLineCount();
  }
  SetCounters(state, size, count);
}

void BM_ReadCommand(benchmark::State& state, const fs::path& path) {
  ResetPeakRss();
  std::size_t printed = 0;
  for (auto _ : state) printed = ReadCommand(path);
  SetCounters(state, fs::file_size(path), 0);
  state.counters["printed_MB"] = static_cast<double>(printed) / (1 << 20);
}

void BM_DiffCommand(benchmark::State& state, const fs::path& oldPath, const fs::path& newPath) {
  ResetPeakRss();
  std::size_t printed = 0;
  for (auto _ : state) printed = DiffCommand(oldPath, newPath);
  SetCounters(state, fs::file_size(oldPath) + fs::file_size(newPath), 0);
  state.counters["printed_MB"] = static_cast<double>(printed) / (1 << 20);
}

void BM_Batch(benchmark::State& state, const std::vector<fs::path>& paths) {
  ResetPeakRss();
  std::size_t bytes = 0;
  for (const fs::path& path : paths) bytes += fs::file_size(path);
  for (auto _ : state) {
    std::size_t sum = 0;
    for (const fs::path& path : paths) sum += BatchLine(path);
    benchmark::DoNotOptimize(sum);
  }
  SetCounters(state, bytes, 0);
  state.counters["reports"] = static_cast<double>(paths.size());
}

// The XP sample report under the names of many PCs.
std::vector<fs::path> WriteBatch(const fs::path& folder) {
  const std::string sample = ReadFileBytes(SourceDir() / "tests" / "golden" / "winxp_de.txt");
  std::vector<fs::path> paths;
  for (int i = 0; i < kBatchReports; ++i) {
    std::string report = sample;
    const std::string name = "BUERO-PC" + std::to_string(1000 + i);
    report.replace(report.find("BUERO-PC07"), 10, name);
    paths.push_back(folder / ("KDXINFO_" + name + "_06_12_26_22_23_38.txt"));
    WriteFileBytes(paths.back(), report);
  }
  return paths;
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir dir("kdx_bench_reader_");
  const fs::path path = dir.Path() / "KDXINFO_BENCH.txt";
  const fs::path changed = dir.Path() / "KDXINFO_BENCH_CHANGED.txt";
  {
    const std::string report = SyntheticReport();
    WriteFileBytes(path, report);
    WriteFileBytes(changed, ChangedReport(report));
  }
  const std::vector<fs::path> batch = WriteBatch(dir.Path() / "batch");

  const auto timed = [](benchmark::internal::Benchmark* benchmark, int iterations) {
    benchmark->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(iterations);
  };
  timed(benchmark::RegisterBenchmark("ReadReport/split_lines_floor", BM_SplitLinesFloor, path), 5);
  timed(benchmark::RegisterBenchmark("ReadReport/ReadReport", BM_ReadReport, path, false), 5);
  timed(
      benchmark::RegisterBenchmark("ReadReport/ReadReport_and_findings", BM_ReadReport, path, true),
      5);
  timed(benchmark::RegisterBenchmark("ReadReport/read_command", BM_ReadCommand, path), 3);
  timed(benchmark::RegisterBenchmark("ReadReport/diff_command", BM_DiffCommand, path, changed), 3);
  timed(benchmark::RegisterBenchmark("ReadReport/batch_1000_xp_reports", BM_Batch, batch), 3);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
