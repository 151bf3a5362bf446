// Collecting the services, processes, spooler ports and printers of a simulated machine with
// 2,000 services, 1,024 processes, 500 ports and 500 printers, beside a floor: the same
// platform calls with the same buffers, their answers only walked, no row formatted.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "collectors/printing/port_list.h"
#include "collectors/printing/printer_list.h"
#include "collectors/system/processes.h"
#include "platform/sim/sim_platform.h"
#include "testkit/silent_front_end.h"

namespace kdx::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kServices = 2000;
constexpr int kProcesses = 1024;
constexpr int kPorts = 500;
constexpr int kPrinters = 500;
// The buffers the collectors hand to the platform.
constexpr std::uint32_t kServiceBuffer = 36864;
constexpr std::uint32_t kProcessIdBuffer = 4096;
constexpr std::uint32_t kModuleBuffer = 4100;
constexpr std::uint32_t kModulePath = 261;

std::string Numbered(const char* format, int n) {
  char text[128];
  std::snprintf(text, sizeof text, format, n, n);
  return text;
}

std::string MachineJson() {
  std::string json = R"({"windowsDirectory": "C:\\WINDOWS",
    "systemDirectory": "C:\\WINDOWS\\system32",
    "version": {"major": 5, "minor": 1, "build": 2600, "platformId": 2},
    "services": {"list": [)";
  // The four services the collector asks for by name stand last, where a search is longest.
  for (int i = 0; i < kServices; ++i) {
    json += Numbered(R"({"name": "Dienst%04d", "displayName": "Beispieldienst Nummer %04d", )", i);
    json += "\"state\": " + std::to_string(i % 7 + 1) + "},";
  }
  json += R"({"name": "KDXMONX", "state": 4}, {"name": "Spooler", "state": 4},
             {"name": "KDXMONGUARD", "state": 1}, {"name": "KdxUsb", "state": 4}]},
    "processes": {"list": [)";
  for (int i = 0; i < kProcesses; ++i) {
    if (i > 0) json += ',';
    json += Numbered(R"({"id": %d, "path": )", 4 * i + 8);
    json += Numbered(R"("C:\\Programme\\Hersteller %04d\\programm%04d.exe"})", i);
  }
  json += R"(]}, "spooler": {"ports": [)";
  for (int i = 0; i < kPorts; ++i) {
    if (i > 0) json += ',';
    json += Numbered(R"({"name": "IP_10.0.%d.%d", )", i);
    json += R"("monitor": "Standard TCP/IP Port", "description": "Standard-TCP/IP-Port"})";
  }
  json += R"(], "printers": [)";
  for (int i = 0; i < kPrinters; ++i) {
    if (i > 0) json += ',';
    json += Numbered(R"({"name": "Etikettendrucker %04d", )", i);
    json += Numbered(R"("port": "IP_10.0.%d.%d"})", i);
  }
  return json + "]}}";
}

/// The floor: every call the collectors make, with their buffers; the answers walked and
/// their bytes counted, nothing formatted.
std::size_t WalkRunningFacts(Platform& platform) {
  std::size_t bytes = 0;
  ServicesProcesses& services = platform.Services();
  long error = kErrorSuccess;
  for (const char* name : {"KDXMONX", "SPOOLER", "KDXMONGUARD", "KDXUSB"}) {
    const auto manager =
        services.OpenSCManagerA("", kScManagerConnect | kScManagerEnumerateService, error);
    const auto service = manager->OpenServiceA(name, kServiceQueryStatus, error);
    std::uint32_t state = 0;
    if (service) bytes += service->QueryServiceStatus(state) == kErrorSuccess ? state : 0;
  }
  const auto manager =
      services.OpenSCManagerA("", kScManagerConnect | kScManagerEnumerateService, error);
  for (const auto& entry : manager->EnumServicesStatusA(kServiceWin32AndDrivers, kServiceStateAll,
                                                        kServiceBuffer, error)) {
    bytes += entry.serviceName.size() + entry.displayName.size();
  }
  const auto ids = services.EnumProcesses(kProcessIdBuffer);
  for (const std::uint32_t id : *ids) {
    const auto process = services.OpenProcess(kProcessQueryInformationVmRead, id, error);
    if (!process) continue;
    if (const auto module = process->EnumProcessModules(kModuleBuffer)) {
      bytes += process->GetModuleFileNameExA(*module, kModulePath).value_or("").size();
    }
  }
  std::vector<PortInfo2> ports;
  std::uint32_t needed = 0;
  platform.Spooler().EnumPortsA(0, needed, ports);
  platform.Spooler().EnumPortsA(needed, needed, ports);
  for (const PortInfo2& port : ports) bytes += port.portName.size() + port.description.size();
  std::vector<PrinterEntry> printers;
  platform.Spooler().EnumPrintersA(kPrinterEnumLocal | kPrinterEnumConnections, 4, printers);
  for (const PrinterEntry& printer : printers) bytes += printer.printerName.size();
  return bytes;
}

void BM_WalkFloor(benchmark::State& state, const fs::path& machineDir) {
  SimPlatform platform(machineDir);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = WalkRunningFacts(platform);
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
    CollectProcesses(context);
    CollectPortList(context);
    benchmark::DoNotOptimize(PlatformPrinterList(context).size());
    rows = context.table.Rows().size();
  }
  state.counters["rows"] = static_cast<double>(rows);
}

}  // namespace
}  // namespace kdx::bench

int main(int argc, char** argv) {
  using namespace kdx::bench;
  benchmark::Initialize(&argc, argv);
  const TempDir machine("kdx_bench_running_");
  WriteFileBytes(machine.Path() / "machine.json", MachineJson());

  benchmark::RegisterBenchmark("CollectRunning/walk_floor", BM_WalkFloor, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RegisterBenchmark("CollectRunning/collect", BM_Collect, machine.Path())
      ->Unit(benchmark::kMillisecond)
      ->UseRealTime();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
