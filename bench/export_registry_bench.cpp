// Exporting a generated tree of 100,000 keys and 1,000,000 values of mixed kinds from the
// simulated store into a report file, beside a floor: a bare walk of the same tree that
// fetches every value through the same store calls and writes as many bytes.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "platform/errors.h"
#include "platform/formats/reg_file_writer.h"
#include "platform/sim/sim_platform.h"
#include "report/registry_export.h"
#include "report/report_writer.h"
#include "testkit/silent_front_end.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kBranches = 100;
constexpr int kKeysPerBranch = 1000;  // 100,000 keys in all
constexpr char kTreePath[] = "\\SOFTWARE\\Bench";

std::string Line(std::string_view name, std::uint32_t type, const std::string& data) {
  return RegValueLine(name, type, data).value() + "\n";
}

/// Ten values a key: texts, numbers, binaries, expandable texts, lists and a type of its own.
std::string KeyBlock(int branch, int key) {
  std::string block = "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Bench\\Branch" + std::to_string(branch) +
                      "\\Device" + std::to_string(key) + "]\n";
  const std::string n = std::to_string(branch * kKeysPerBranch + key);
  block += "\"DriverDesc\"=\"Dexta KD-410 #" + n + "\"\n";
  block += "\"InfPath\"=\"C:\\\\WINDOWS\\\\inf\\\\oem" + n + ".inf\"\n";
  block += "\"Start\"=dword:00000003\n";
  block += "\"Count\"=dword:" + std::string(8 - std::min<std::size_t>(8, n.size()), '0') + n + "\n";
  block += Line("Settings", kRegBinary, std::string("\x0a\xff\x00\x01\x02\x03\x04\x05", 8) + n);
  block += "\"Flags\"=hex:01\n";
  block += Line("ImagePath", kRegExpandSz, "%SystemRoot%\\system32\\kdx" + n + ".sys" + '\0');
  block += Line("HardwareID", kRegMultiSz,
                "USBPRINT\\KELMO" + n + std::string(1, '\0') + "KDX410" + '\0' + '\0');
  block += "\"Stamp\"=hex(b):00,b0,3e,7d,11,41,c9,01\n";
  block += "\"Port\"=\"USB" + n + "\"\n";
  return block;
}

void WriteMachine(const fs::path& dir) {
  WriteFileBytes(dir / "machine.json", R"({
  "windowsDirectory": "C:\\WINDOWS", "systemDirectory": "C:\\WINDOWS\\system32",
  "version": {"major": 5, "minor": 1, "build": 2600, "platformId": 2},
  "environment": {"SystemRoot": "C:\\WINDOWS"}})");
  std::string reg = "REGEDIT4\n\n";
  for (int branch = 0; branch < kBranches; ++branch) {
    for (int key = 0; key < kKeysPerBranch; ++key) reg += KeyBlock(branch, key);
  }
  WriteFileBytes(dir / "registry" / "bench.reg", reg);
}

/// The floor's walk: every subkey opened, every value fetched with its type, name and data
/// appended to the output, nothing formatted.
class BareWalk {
 public:
  BareWalk(RegistryStore& store, OutputFile& file) : store_(store), file_(file) {}

  void Walk(RegKey key) {
    RegKeyInfo info;
    if (store_.RegQueryInfoKeyA(key, info) != kErrorSuccess) return;
    std::vector<char> name(std::max(info.maxSubKeyLen, info.maxValueNameLen) + 1);
    for (std::uint32_t i = 0; i < info.values; ++i) {
      auto size = static_cast<std::uint32_t>(name.size());
      std::uint32_t type = 0;
      auto dataSize = static_cast<std::uint32_t>(value_.size());
      if (store_.RegEnumValueA(key, i, name.data(), size, &type, value_.data(), &dataSize) !=
          kErrorSuccess) {
        continue;
      }
      Put(name.data(), size);
      Put(reinterpret_cast<const char*>(value_.data()), dataSize);
    }
    for (std::uint32_t i = 0; i < info.subKeys; ++i) {
      auto size = static_cast<std::uint32_t>(name.size());
      if (store_.RegEnumKeyExA(key, i, name.data(), size) != kErrorSuccess) continue;
      RegKey child = 0;
      if (store_.RegOpenKeyExA(key, std::string(name.data(), size), kKeyRead, child) ==
          kErrorSuccess) {
        Walk(child);
        store_.RegCloseKey(child);
      }
    }
  }

  /// Brings the output to exactly total bytes and hands the rest to the file.
  void Finish(std::uintmax_t total) {
    if (written_ + buffer_.size() < total) buffer_.resize(total - written_, '.');
    Flush();
  }

 private:
  void Put(const char* data, std::size_t size) {
    buffer_.append(data, size);
    if (buffer_.size() >= (1 << 16)) Flush();
  }
  void Flush() {
    file_.Write(buffer_.data(), buffer_.size());
    written_ += buffer_.size();
    buffer_.clear();
  }

  RegistryStore& store_;
  OutputFile& file_;
  std::vector<std::uint8_t> value_ = std::vector<std::uint8_t>(64000);
  std::string buffer_;
  std::uintmax_t written_ = 0;
};

struct Machine {
  explicit Machine(const fs::path& dir) : platform(dir), context(platform, frontEnd) {}
  SimPlatform platform;
  test::SilentFrontEnd frontEnd;
  RunContext context;
};

std::unique_ptr<OutputFile> CreateFile(Machine& machine, const fs::path& path) {
  std::unique_ptr<OutputFile> file;
  CheckFileCall(machine.platform.Files().CreateOutputFile(path.string(), file));
  return file;
}

std::uintmax_t ExportOnce(Machine& machine, const fs::path& path) {
  ReportWriter writer(CreateFile(machine, path));
  ExportRegistryKey(machine.context, writer, kHKeyLocalMachine, kTreePath, "");
  writer.Close();
  return fs::file_size(path);
}

void SetCounters(benchmark::State& state, std::uintmax_t fileBytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
  state.counters["file_MB"] = static_cast<double>(fileBytes) / (1 << 20);
  state.counters["peak_rss_MB"] = static_cast<double>(PeakRssBytes()) / (1 << 20);
}

void BM_BareWalkFloor(benchmark::State& state, Machine* machine, const fs::path& dir) {
  // The floor writes as many bytes as the export does.
  const std::uintmax_t exportBytes = ExportOnce(*machine, dir / "export.txt");
  ResetPeakRss();
  const fs::path path = dir / "floor.txt";
  for (auto _ : state) {
    auto file = CreateFile(*machine, path);
    SimRegistry& store = machine->platform.Registry();
    BareWalk walk(store, *file);
    RegKey tree = 0;
    store.RegOpenKeyExA(kHKeyLocalMachine, kTreePath + 1, kKeyRead, tree);
    walk.Walk(tree);
    store.RegCloseKey(tree);
    walk.Finish(exportBytes);
    file->Close();
  }
  SetCounters(state, fs::file_size(path));
}

void BM_ExportRegistryKey(benchmark::State& state, Machine* machine, const fs::path& dir) {
  ResetPeakRss();
  std::uintmax_t bytes = 0;
  for (auto _ : state) bytes = ExportOnce(*machine, dir / "export.txt");
  SetCounters(state, bytes);
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir dir("kdx_bench_export_");
  WriteMachine(dir.Path());
  Machine machine(dir.Path());

  benchmark::RegisterBenchmark("ExportRegistry/bare_walk_floor", BM_BareWalkFloor, &machine,
                               dir.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("ExportRegistry/ExportRegistryKey", BM_ExportRegistryKey, &machine,
                               dir.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
