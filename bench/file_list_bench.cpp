// Describing the 20,000 files of a generated folder tree on a simulated machine into the file
// list and writing its [FILELIST] block, beside a floor that only lists the same tree and asks
// each file's size and last-write time.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "collectors/printing/file_inventory.h"
#include "platform/sim/sim_platform.h"
#include "report/file_list_writer.h"
#include "report/report_writer.h"
#include "run/run_context.h"
#include "testkit/silent_front_end.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kFolders = 100;
// Per folder: files of its own, and copies of libraries every folder holds (the file list's
// entries with many folders), which carry a version resource.
constexpr int kOwnFiles = 150;
constexpr int kSharedFiles = 50;
constexpr char kTreeRoot[] = "C:\\Programme\\Kelmo";

std::string Numbered(const char* format, int a, int b = 0) {
  char text[64];
  std::snprintf(text, sizeof text, format, a, b);
  return text;
}

/// drive_c/Programme/Kelmo/dNNN/: kOwnFiles plain files and kSharedFiles copies of a versioned
/// library, 20,000 files in all.
void WriteTree(const fs::path& machineDir, const std::string& versionedImage) {
  const fs::path root = machineDir / "drive_c" / "Programme" / "Kelmo";
  for (int folder = 0; folder < kFolders; ++folder) {
    const fs::path dir = root / Numbered("Treiber %03d", folder);
    for (int i = 0; i < kOwnFiles; ++i) {
      WriteFileBytes(dir / Numbered("drv%03d_%03d.sys", folder, i), std::string(512 + i, 'x'));
    }
    for (int i = 0; i < kSharedFiles; ++i) {
      WriteFileBytes(dir / Numbered("KdxCommon%02d.dll", i), versionedImage);
    }
  }
}

struct FloorEntry {
  fs::path path;
  std::uintmax_t size;
  fs::file_time_type lastWrite;
};

/// The floor: list the tree and ask each file's size and last-write time.
std::size_t ListAndStat(const fs::path& root, std::vector<FloorEntry>& entries) {
  entries.clear();
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    entries.push_back(
        {entry.path(), fs::file_size(entry.path()), fs::last_write_time(entry.path())});
  }
  return entries.size();
}

/// A second floor, closer to the work a description cannot avoid: each listed file is also
/// read once, as the version resource needs.
std::size_t ReadEach(const std::vector<FloorEntry>& entries) {
  std::size_t bytes = 0;
  for (const FloorEntry& entry : entries) bytes += ReadFileBytes(entry.path).size();
  return bytes;
}

void BM_ListAndStatFloor(benchmark::State& state, const fs::path& machineDir, bool read) {
  const fs::path root = machineDir / "drive_c" / "Programme" / "Kelmo";
  std::vector<FloorEntry> entries;
  std::size_t files = 0;
  for (auto _ : state) {
    files = ListAndStat(root, entries);
    if (read) benchmark::DoNotOptimize(ReadEach(entries));
  }
  state.counters["files"] = static_cast<double>(files);
}

/// The [FILELIST] block of a scan of the tree, written to a file of the host.
void ScanAndWrite(RunContext& context, const fs::path& blockPath) {
  context.fileList.Clear();
  ScanFolderTree(context, kTreeRoot, "", false);
  std::unique_ptr<OutputFile> file;
  context.platform.Files().CreateOutputFile(blockPath.string(), file);
  ReportWriter writer(std::move(file));
  WriteFileList(context.fileList, writer);
  writer.Close();
}

void BM_ScanTreeAndWriteFileList(benchmark::State& state, const fs::path& machineDir) {
  SimPlatform platform(machineDir);
  test::SilentFrontEnd frontEnd((machineDir / "unused.txt").string());
  RunContext context(platform, frontEnd);
  const fs::path blockPath = machineDir / "filelist.txt";
  for (auto _ : state) ScanAndWrite(context, blockPath);
  state.counters["entries"] = static_cast<double>(context.fileList.Size());
  state.counters["block_KB"] = static_cast<double>(fs::file_size(blockPath)) / 1024;
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir machine("kdx_bench_filelist_");
  WriteFileBytes(machine.Path() / "machine.json", kBenchMachineJson);
  WriteTree(machine.Path(), ReadFileBytes(SourceDir() / "tests/data/pe/kdx_resources.dll"));

  benchmark::RegisterBenchmark("FileList/list_and_stat_floor", BM_ListAndStatFloor, machine.Path(),
                               false)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("FileList/list_stat_and_read_floor", BM_ListAndStatFloor,
                               machine.Path(), true)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("FileList/ScanFolderTree_WriteFileList", BM_ScanTreeAndWriteFileList,
                               machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
