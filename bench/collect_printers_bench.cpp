// Describing 500 installed printers whose drivers list 20 dependent files each (25 drivers,
// 500 version-resourced files in the driver folder's folder 3) on a simulated XP machine,
// beside a floor: the same registry reads and file queries, the answers only walked.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "collectors/printing/installed_printers.h"
#include "platform/sim/sim_platform.h"
#include "testkit/silent_front_end.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kPrinters = 500;
constexpr int kDrivers = 25;
constexpr int kFilesPerDriver = 20;
constexpr char kDriverDir[] = "C:\\WINDOWS\\system32\\spool\\drivers\\w32x86\\";
constexpr char kPrintersKey[] = "System\\CurrentControlSet\\control\\Print\\Printers";
constexpr char kDriversKey[] =
    "System\\CurrentControlSet\\control\\Print\\Environments\\Windows NT x86\\Drivers\\";

std::string Numbered(const char* format, int n) {
  char text[128];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

std::string FileName(int driver, int file) {
  return Numbered("kdx%02d", driver) + Numbered("_%02d.dll", file);
}

std::string DependentFilesHex(int driver) {
  std::string bytes;
  for (int file = 0; file < kFilesPerDriver; ++file) bytes += FileName(driver, file) + '\0';
  bytes += '\0';
  std::string hex;
  for (const char c : bytes) hex += Numbered("%02x,", static_cast<unsigned char>(c));
  hex.pop_back();
  return hex;
}

std::string RegistryText() {
  std::string reg = "REGEDIT4\r\n\r\n";
  for (int i = 0; i < kPrinters; ++i) {
    reg += Numbered(
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Printers\\"
        "Etikettendrucker %04d]\r\n",
        i);
    reg += Numbered("\"Name\"=\"Etikettendrucker %04d\"\r\n", i);
    reg += Numbered("\"Port\"=\"IP_10.0.0.%d\"\r\n", i % 250);
    reg += Numbered("\"Printer Driver\"=\"Dexta %02d\"\r\n\r\n", i % kDrivers);
  }
  for (int driver = 0; driver < kDrivers; ++driver) {
    reg += Numbered(
        "[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Control\\Print\\Environments\\"
        "Windows NT x86\\Drivers\\Version-3\\Dexta %02d]\r\n",
        driver);
    reg += "\"Dependent Files\"=hex(7):" + DependentFilesHex(driver) + "\r\n\r\n";
  }
  return reg;
}

void WriteMachine(const fs::path& dir, const std::string& peBytes) {
  WriteFileBytes(dir / "machine.json", kBenchMachineJson);
  WriteFileBytes(dir / "registry" / "printers.reg", RegistryText());
  const fs::path folder = dir / "drive_c/WINDOWS/system32/spool/drivers/w32x86/3";
  for (int driver = 0; driver < kDrivers; ++driver) {
    for (int file = 0; file < kFilesPerDriver; ++file) {
      WriteFileBytes(folder / FileName(driver, file), peBytes);
    }
  }
}

/// What the floor learns of one file: the three opens, the size and the version texts.
std::size_t WalkFile(FileSystem& files, const std::string& name) {
  std::size_t bytes = 0;
  for (const char* prefix : {"", "2\\", "3\\"}) {
    const std::string path = kDriverDir + std::string(prefix) + name;
    std::unique_ptr<InputFile> file;
    if (files.OpenInputFile(path, file) != kErrorSuccess) continue;
    FileInformation information;
    file->GetInformation(information);
    bytes += information.size;
    std::string block;
    if (files.GetFileVersionInfoA(path, block) != kErrorSuccess) continue;
    bytes += files.VerQueryValueA(block, "\\VarFileInfo\\Translation").value_or("").size();
    for (const char* text : {"ProductVersion", "FileVersion", "CompanyName"}) {
      bytes += files.VerQueryValueA(block, std::string("\\StringFileInfo\\040704E4\\") + text)
                   .value_or("")
                   .size();
    }
  }
  return bytes;
}

std::string QueryText(RegistryStore& store, RegKey key, const std::string& name) {
  std::uint32_t size = 0;
  if (store.RegQueryValueExA(key, name, nullptr, nullptr, &size) != kErrorSuccess) return {};
  std::string data(size, '\0');
  store.RegQueryValueExA(key, name, nullptr, reinterpret_cast<std::uint8_t*>(data.data()), &size);
  return data;
}

/// The floor: every printer key and driver key read, every dependent file opened and its
/// version texts queried, nothing formatted and no file list kept.
std::size_t WalkPrinters(Platform& platform) {
  RegistryStore& store = platform.Registry();
  std::size_t bytes = 0;
  RegKey key = 0;
  store.RegOpenKeyExA(kHKeyLocalMachine, kPrintersKey, kKeyRead, key);
  const OpenedKey printers(store, key);
  char name[256];
  for (std::uint32_t index = 0;; ++index) {
    std::uint32_t size = sizeof name;
    if (store.RegEnumKeyExA(printers.Get(), index, name, size) != kErrorSuccess) break;
    RegKey printerKey = 0;
    store.RegOpenKeyExA(printers.Get(), std::string(name, size), kKeyRead, printerKey);
    const OpenedKey printer(store, printerKey);
    bytes += QueryText(store, printer.Get(), "Name").size() +
             QueryText(store, printer.Get(), "Port").size();
    std::string driver = QueryText(store, printer.Get(), "Printer Driver");
    driver.resize(driver.find('\0'));
    RegKey driverKey = 0;
    if (store.RegOpenKeyExA(kHKeyLocalMachine, kDriversKey + std::string("Version-2\\") + driver,
                            kKeyRead, driverKey) != kErrorSuccess) {
      store.RegOpenKeyExA(kHKeyLocalMachine, kDriversKey + std::string("Version-3\\") + driver,
                          kKeyRead, driverKey);
    }
    const OpenedKey driverEntry(store, driverKey);
    const std::string files = QueryText(store, driverEntry.Get(), "Dependent Files");
    for (std::size_t start = 0; start < files.size() && files[start] != '\0';) {
      const std::size_t end = files.find('\0', start);
      bytes += WalkFile(platform.Files(), files.substr(start, end - start));
      start = end + 1;
    }
  }
  return bytes;
}

void BM_WalkFloor(benchmark::State& state, const fs::path& machineDir) {
  SimPlatform platform(machineDir);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = WalkPrinters(platform);
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["walked_bytes"] = static_cast<double>(bytes);
}

void BM_Collect(benchmark::State& state, const fs::path& machineDir) {
  SimPlatform platform(machineDir);
  test::SilentFrontEnd frontEnd;
  std::size_t rows = 0;
  for (auto _ : state) {
    RunContext context(platform, frontEnd);
    context.isNT = true;
    context.driverDir = kDriverDir;
    TRegistry registry(platform.Registry());
    CollectInstalledPrinters(context, registry);
    rows = context.table.Rows().size();
  }
  state.counters["rows"] = static_cast<double>(rows);
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir machine("kdx_bench_printers_");
  WriteMachine(machine.Path(),
               ReadFileBytes(SourceDir() /
                             "samples/winxp_de/drive_c/WINDOWS/system32/spool/drivers/w32x86/3/"
                             "KDX410.DLL"));
  benchmark::RegisterBenchmark("CollectPrinters/walk_floor", BM_WalkFloor, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("CollectPrinters/collect", BM_Collect, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
