// Loading a machine with a large registry, beside two floors over the same .reg bytes: the
// .reg parser with a sink that keeps nothing, and a plain scan that only finds each line's
// key brackets or '=' and decodes hex pairs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "bench/bench_support.h"
#include "platform/formats/reg_file.h"
#include "platform/sim/sim_platform.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kGroups = 200;
constexpr int kKeysPerGroup = 1000;  // 200,000 keys, each with five values: 1,000,000

/// Bytes as regedit writes them: "hex:" or "hex(n):", comma-separated pairs, a line break
/// with a trailing backslash once a line passes 76 characters.
void AppendHex(std::string& out, std::string_view prefix, std::string_view bytes) {
  out += prefix;
  std::size_t column = out.size() - out.rfind('\n');
  char pair[4];
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(bytes[i]));
    out += pair;
    column += 2;
    if (i + 1 == bytes.size()) break;
    out += ',';
    ++column;
    if (column > 76) {
      out += "\\\r\n  ";
      column = 2;
    }
  }
  out += "\r\n";
}

/// The five values of key number n: one of each kind the simulated registry meets.
void AppendValues(std::string& out, int n) {
  char text[128];
  std::snprintf(text, sizeof text, "\"DisplayName\"=\"Kelmo Dexta Komponente %d\"\r\n", n);
  out += text;
  std::snprintf(text, sizeof text, "\"Start\"=dword:%08x\r\n", static_cast<unsigned>(n));
  out += text;
  const std::string binary = {static_cast<char>(n),
                              static_cast<char>(n >> 8),
                              '\x01',
                              '\x00',
                              '\x10',
                              '\x20',
                              '\x30',
                              '\x40'};
  AppendHex(out, "\"Flags\"=hex:", binary);
  std::snprintf(text, sizeof text, "%%SystemRoot%%\\system32\\drivers\\kdx%06d.sys", n);
  AppendHex(out, "\"ImagePath\"=hex(2):", std::string_view(text, std::strlen(text) + 1));
  const std::string multi = std::string("KDXUSB") + '\0' + "Spooler" + '\0' + "RPCSS" + '\0' + '\0';
  AppendHex(out, "\"DependOnService\"=hex(7):", multi);
}

std::string GenerateRegFile() {
  std::string out = "REGEDIT4\r\n\r\n";
  out.reserve(std::size_t{300} << 20);
  char key[128];
  for (int group = 0; group < kGroups; ++group) {
    for (int k = 0; k < kKeysPerGroup; ++k) {
      std::snprintf(key, sizeof key,
                    "[HKEY_LOCAL_MACHINE\\SYSTEM\\Bench\\Group%03d\\Service%04d]\r\n", group, k);
      out += key;
      AppendValues(out, group * kKeysPerGroup + k);
      out += "\r\n";
    }
  }
  return out;
}

/// Counts what the parser hands out and keeps nothing.
class CountingSink : public RegFileSink {
 public:
  void OnKey(const RegKeyPath&) override { ++keys; }
  void OnValue(std::string_view, std::uint32_t, std::string_view data) override {
    ++values;
    dataBytes += data.size();
  }
  std::size_t keys = 0;
  std::size_t values = 0;
  std::size_t dataBytes = 0;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

/// The least any loader must do: split lines, tell keys from values and decode hex pairs.
std::size_t ScanLines(std::string_view text) {
  std::size_t items = 0;
  unsigned checksum = 0;
  bool continued = false;
  for (std::size_t pos = 0; pos < text.size();) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    if (!continued && !line.empty() && line.front() == '[') {
      items += line.find(']') != std::string_view::npos;
      continue;
    }
    // Pairs start after the type's ':' or, on a continued line, after the indent.
    const std::size_t indent = line.find_first_not_of(' ');
    const std::size_t start =
        !continued ? line.find(':') : (indent + 1 > 1 ? indent - 1 : std::string_view::npos);
    items += !continued && line.find('=') != std::string_view::npos;
    continued = line.size() >= 2 && line[line.size() - 2] == '\\';
    for (std::size_t i = start; i != std::string_view::npos && i + 2 < line.size(); i += 3) {
      const int high = HexValue(line[i + 1]);
      const int low = HexValue(line[i + 2]);
      if (high >= 0 && low >= 0) checksum += static_cast<unsigned>(high * 16 + low);
    }
  }
  benchmark::DoNotOptimize(checksum);
  return items;
}

void SetCommonCounters(benchmark::State& state, std::uintmax_t fileBytes) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * fileBytes));
  state.counters["peak_rss_MB"] = static_cast<double>(PeakRssBytes()) / (1 << 20);
}

void BM_ScanRegLines(benchmark::State& state, const fs::path& regFile) {
  ResetPeakRss();
  for (auto _ : state) {
    const std::string bytes = ReadFileBytes(regFile);
    benchmark::DoNotOptimize(ScanLines(bytes));
  }
  SetCommonCounters(state, fs::file_size(regFile));
}

void BM_ParseRegFile(benchmark::State& state, const fs::path& regFile) {
  ResetPeakRss();
  for (auto _ : state) {
    const std::string bytes = ReadFileBytes(regFile);
    CountingSink sink;
    ParseRegFile(bytes, sink);
    constexpr std::size_t kKeys = static_cast<std::size_t>(kGroups) * kKeysPerGroup;
    if (sink.keys != kKeys || sink.values != 5 * kKeys) {
      state.SkipWithError("the parser saw another number of keys or values");
      break;
    }
  }
  SetCommonCounters(state, fs::file_size(regFile));
}

void BM_LoadMachine(benchmark::State& state, const fs::path& machineDir) {
  ResetPeakRss();
  std::uint64_t treeBytes = 0;
  for (auto _ : state) {
    const std::uint64_t before = CurrentRssBytes();
    auto platform = std::make_unique<SimPlatform>(machineDir);
    state.PauseTiming();
    // Freed memory may stay with the allocator, so later rounds grow less: keep the largest.
    treeBytes = std::max(treeBytes, CurrentRssBytes() - std::min(before, CurrentRssBytes()));
    platform.reset();
    state.ResumeTiming();
  }
  SetCommonCounters(state, fs::file_size(machineDir / "registry" / "10_bench.reg"));
  state.counters["tree_MB"] = static_cast<double>(treeBytes) / (1 << 20);
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir machine("kdx_bench_machine_");
  const fs::path regFile = machine.Path() / "registry" / "10_bench.reg";
  WriteFileBytes(machine.Path() / "machine.json", kBenchMachineJson);
  WriteFileBytes(regFile, GenerateRegFile());
  std::printf("registry: %.1f MB, %d keys, %d values\n",
              static_cast<double>(fs::file_size(regFile)) / (1 << 20), kGroups * kKeysPerGroup,
              5 * kGroups * kKeysPerGroup);

  benchmark::RegisterBenchmark("ScanRegLines/floor", BM_ScanRegLines, regFile)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("ParseRegFile/no_store", BM_ParseRegFile, regFile)
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(5);
  benchmark::RegisterBenchmark("LoadMachine/SimPlatform", BM_LoadMachine, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime()
      ->Iterations(3);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
