#pragma once

// What the service manager, the process calls, OpenMutexA and the privilege calls answer,
// held against every platform: the simulated machine on the host and under Wine, the Win32
// layer under Wine. The fixture provides a stopped service, one that grants no status query,
// a mutex and the own process; Plug and Play runs everywhere.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/services_processes.h"
#include "support/sim_area_fixtures.h"

namespace kdx::test {

template <typename Fixture>
class ServicesProcessesContract : public ::testing::Test {
 protected:
  ServicesProcesses& Services() { return machine_.Services(); }

  /// The manager opened with connect and enumerate; fails the test when it does not open.
  std::unique_ptr<ServiceManager> Manager(std::uint32_t access = kScManagerConnect |
                                                                 kScManagerEnumerateService) {
    long error = kSentinelError;
    auto manager = Services().OpenSCManagerA("", access, error);
    EXPECT_NE(manager, nullptr);
    EXPECT_EQ(error, kErrorSuccess);
    return manager;
  }

  /// The state of a service read with the least access, or the error code as a negative number.
  long StateOf(const std::string& name) {
    long error = kSentinelError;
    const auto service = Manager()->OpenServiceA(name, kServiceQueryStatus, error);
    if (!service) return -error;
    std::uint32_t state = 0;
    error = service->QueryServiceStatus(state);
    return error == kErrorSuccess ? static_cast<long>(state) : -error;
  }

  static constexpr long kSentinelError = 0xdead;
  Fixture machine_;
};

TYPED_TEST_SUITE_P(ServicesProcessesContract);

// --- Services ---

// The least access reads a service's state; names compare without case.
TYPED_TEST_P(ServicesProcessesContract, QueriesStatesWithTheLeastAccess) {
  EXPECT_EQ(this->StateOf(kContractService), kServiceStopped);
  EXPECT_EQ(this->StateOf("KDXCONTRACTSVC"), kServiceStopped);
  EXPECT_EQ(this->StateOf(kRunningService), kServiceRunning);
}

// A service that is not installed is error 1060, and the system has a text for it.
TYPED_TEST_P(ServicesProcessesContract, MissingServiceIs1060) {
  EXPECT_EQ(this->StateOf("KdxNoSuchService"), -kErrorServiceDoesNotExist);
  EXPECT_NE(this->machine_.System().FormatMessageA(kErrorServiceDoesNotExist), "");
}

// A handle without SERVICE_QUERY_STATUS is refused the status.
TYPED_TEST_P(ServicesProcessesContract, StatusNeedsQueryAccess) {
  long error = this->kSentinelError;
  const auto service = this->Manager()->OpenServiceA(kContractService, 0x1, error);
  ASSERT_NE(service, nullptr);
  std::uint32_t state = 0;
  EXPECT_EQ(service->QueryServiceStatus(state), kErrorAccessDenied);
}

// A service whose security grants less than the open asks for refuses the open.
TYPED_TEST_P(ServicesProcessesContract, RefusesOpensBeyondTheServicesGrant) {
  KDX_SKIP_WHERE_AREA_DIFFERS(AreaDifference::ServiceAccessNotChecked);
  EXPECT_EQ(this->StateOf(kLockedContractService), -kErrorAccessDenied);
}

// Every service with its display name and state, in one call.
TYPED_TEST_P(ServicesProcessesContract, EnumeratesServicesWithTheirStates) {
  long error = this->kSentinelError;
  const auto entries =
      this->Manager()->EnumServicesStatusA(kServiceWin32AndDrivers, kServiceStateAll, 36864, error);
  EXPECT_EQ(error, kErrorSuccess);
  const auto contract = std::find_if(entries.begin(), entries.end(), [](const auto& entry) {
    return entry.serviceName == kContractService;
  });
  ASSERT_NE(contract, entries.end());
  EXPECT_EQ(contract->displayName, kContractServiceDisplay);
  EXPECT_EQ(contract->currentState, kServiceStopped);
  // only the active ones
  const auto active =
      this->Manager()->EnumServicesStatusA(kServiceWin32AndDrivers, kServiceActive, 36864, error);
  EXPECT_TRUE(std::none_of(active.begin(), active.end(), [](const auto& entry) {
    return entry.currentState == kServiceStopped;
  }));
}

// A buffer too small for all: error 234 with the entries that fit.
TYPED_TEST_P(ServicesProcessesContract, SmallBufferGivesWhatFits) {
  long error = this->kSentinelError;
  const auto all =
      this->Manager()->EnumServicesStatusA(kServiceWin32AndDrivers, kServiceStateAll, 36864, error);
  const auto entries =
      this->Manager()->EnumServicesStatusA(kServiceWin32AndDrivers, kServiceStateAll, 100, error);
  EXPECT_EQ(error, kErrorMoreData);
  KDX_SKIP_WHERE_AREA_DIFFERS(AreaDifference::NoEntriesWithMoreData);
  EXPECT_GE(entries.size(), 1u);
  EXPECT_LT(entries.size(), all.size());
  EXPECT_EQ(entries.front().serviceName, all.front().serviceName);
}

// Listing needs SC_MANAGER_ENUMERATE_SERVICE on the manager.
TYPED_TEST_P(ServicesProcessesContract, EnumerationNeedsEnumerateAccess) {
  long error = this->kSentinelError;
  const auto entries =
      this->Manager(kScManagerConnect)
          ->EnumServicesStatusA(kServiceWin32AndDrivers, kServiceStateAll, 36864, error);
  EXPECT_EQ(error, kErrorAccessDenied);
  EXPECT_TRUE(entries.empty());
}

// --- Processes ---

// The own process is listed; a buffer of four bytes takes one id.
TYPED_TEST_P(ServicesProcessesContract, ListsTheOwnProcess) {
  const auto ids = this->Services().EnumProcesses(4096);
  ASSERT_TRUE(ids);
  EXPECT_NE(std::find(ids->begin(), ids->end(), this->machine_.OwnProcessId()), ids->end());
  EXPECT_EQ(this->Services().EnumProcesses(4)->size(), 1u);
}

// The own program's path through the first module, cut to the buffer.
TYPED_TEST_P(ServicesProcessesContract, ReadsTheOwnProgramPath) {
  long error = this->kSentinelError;
  const auto process = this->Services().OpenProcess(kProcessQueryInformationVmRead,
                                                    this->machine_.OwnProcessId(), error);
  ASSERT_NE(process, nullptr);
  const auto module = process->EnumProcessModules(4100);
  ASSERT_TRUE(module);
  EXPECT_EQ(process->GetModuleFileNameExA(*module, 261), this->machine_.OwnProgramPath());
  EXPECT_EQ(process->GetModuleFileNameExA(*module, 5),
            this->machine_.OwnProgramPath().substr(0, 4));
}

// Id 0 and an id no process has do not open.
TYPED_TEST_P(ServicesProcessesContract, NoProcessForIdZero) {
  for (const std::uint32_t id : {0u, 0x7FFFFFF0u}) {
    long error = this->kSentinelError;
    EXPECT_EQ(this->Services().OpenProcess(kProcessQueryInformationVmRead, id, error), nullptr);
    EXPECT_EQ(error, kErrorInvalidParameter) << id;
  }
}

// Tool Help on NT names the own process by its file name.
TYPED_TEST_P(ServicesProcessesContract, SnapshotNamesTheOwnProgram) {
  long error = this->kSentinelError;
  const auto snapshot = this->Services().CreateToolhelp32Snapshot(error);
  ASSERT_NE(snapshot, nullptr);
  const std::string path = this->machine_.OwnProgramPath();
  const std::string own = path.substr(path.rfind('\\') + 1);
  std::vector<std::string> names;
  for (auto name = snapshot->Process32First(); name; name = snapshot->Process32Next()) {
    names.push_back(*name);
  }
  EXPECT_NE(std::find(names.begin(), names.end(), own), names.end()) << own;
}

// --- Mutexes and privileges ---

// A mutex opens by its exact name only; a missing one is error 2.
TYPED_TEST_P(ServicesProcessesContract, MutexesOpenByExactName) {
  EXPECT_EQ(this->Services().OpenMutexA(kMutexAllAccess, kContractMutex), kErrorSuccess);
  EXPECT_EQ(this->Services().OpenMutexA(kMutexAllAccess, "kdxcontractmutex"), kErrorFileNotFound);
  EXPECT_EQ(this->Services().OpenMutexA(kMutexAllAccess, "KdxNoSuchMutex"), kErrorFileNotFound);
}

// The shutdown privilege, looked up by its lower-case name, can be enabled.
TYPED_TEST_P(ServicesProcessesContract, EnablesTheShutdownPrivilege) {
  long error = this->kSentinelError;
  const auto token = this->Services().OpenProcessToken(kTokenAdjustPrivilegesQuery, error);
  ASSERT_NE(token, nullptr);
  const auto luid = this->Services().LookupPrivilegeValueA("seshutdownprivilege", error);
  ASSERT_TRUE(luid);
  EXPECT_EQ(token->AdjustTokenPrivileges(*luid, kSePrivilegeEnabled), kErrorSuccess);
  EXPECT_FALSE(this->Services().LookupPrivilegeValueA("SeNoSuchPrivilege", error));
  EXPECT_EQ(error, kErrorNoSuchPrivilege);
}

REGISTER_TYPED_TEST_SUITE_P(ServicesProcessesContract, QueriesStatesWithTheLeastAccess,
                            MissingServiceIs1060, StatusNeedsQueryAccess,
                            RefusesOpensBeyondTheServicesGrant, EnumeratesServicesWithTheirStates,
                            SmallBufferGivesWhatFits, EnumerationNeedsEnumerateAccess,
                            ListsTheOwnProcess, ReadsTheOwnProgramPath, NoProcessForIdZero,
                            SnapshotNamesTheOwnProgram, MutexesOpenByExactName,
                            EnablesTheShutdownPrivilege);

}  // namespace kdx::test
