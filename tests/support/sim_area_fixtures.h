#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/sim/sim_platform.h"
#include "support/sim_registry_fixture.h"
#include "support/test_machine.h"

namespace kdx::test {

/// Where a platform area differs from Windows; a contract test that meets one names it and
/// skips rather than bakes it into its expectations.
enum class AreaDifference {
  ServiceAccessNotChecked,  ///< Wine opens every service with any access
  NoEntriesWithMoreData,    ///< Wine writes no service entry when more than fit exist
  NoEventRecords,           ///< Wine's event logs are always empty
};

/// Skips the test where its platform differs from Windows in this respect, naming the reason.
#define KDX_SKIP_WHERE_AREA_DIFFERS(difference)                     \
  if (const auto reason = TypeParam::Differs(difference); reason) { \
    GTEST_SKIP() << *reason;                                        \
  }

/// Facts of the services and processes contract, the same on every platform.
inline constexpr char kContractService[] = "KdxContractSvc";
inline constexpr char kContractServiceDisplay[] = "KDX Contract Test";
/// A service that grants SERVICE_QUERY_CONFIG alone.
inline constexpr char kLockedContractService[] = "KdxContractLocked";
/// A service that runs on every platform the tests meet.
inline constexpr char kRunningService[] = "PlugPlay";
inline constexpr char kContractMutex[] = "KdxContractMutex";
/// A port and a printer of the spooler contract.
inline constexpr char kContractPort[] = "KDXTEST:";
inline constexpr char kContractPrinter[] = "KDX Contract Printer";
/// The message file of the event log contract, tests/data/pe/kdx_resources.dll.
inline constexpr char kContractMessageFile[] = "kdx_resources.dll";

/// The simulated machine for the contract suites of memory and drives, services and
/// processes, and the spooler: it holds the facts the Win32 fixtures create under Wine (a
/// service, a mutex, a port, a printer) or find there (drives C and Z, the running Plug and
/// Play service, the own process), and a System log of records and the contract's message
/// file beside them.
class SimAreaFixture {
 public:
  static constexpr const char* kName = "simulated";

  SimAreaFixture();

  SimPlatform& Platform() { return *platform_; }
  SystemFacts& System() { return platform_->System(); }
  ServicesProcesses& Services() { return platform_->Services(); }
  PrintSpooler& Spooler() { return platform_->Spooler(); }
  kdx::EventLogs& EventLogs() { return platform_->EventLogs(); }
  /// Where the machine holds kContractMessageFile, and a file it does not have.
  std::string MessageFilePath() const;
  std::string MissingFilePath() const;
  std::uint32_t OwnProcessId() const;
  std::string OwnProgramPath() const;

  static std::optional<std::string> Differs(AreaDifference) { return std::nullopt; }

 private:
  TestMachine machine_;
  std::unique_ptr<SimPlatform> platform_;
};

}  // namespace kdx::test
