// The simulated memory and drives, services and processes, spooler, and event logs, held to
// the contracts the Win32 layer meets under Wine.
#include "platform/drives_memory_contract.h"
#include "platform/event_logs_contract.h"
#include "platform/services_processes_contract.h"
#include "platform/spooler_contract.h"

namespace kdx::test {

INSTANTIATE_TYPED_TEST_SUITE_P(Sim, DrivesMemoryContract, SimAreaFixture, PlatformName);
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ServicesProcessesContract, SimAreaFixture, PlatformName);
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, SpoolerContract, SimAreaFixture, PlatformName);
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, EventLogsContract, SimAreaFixture, PlatformName);

}  // namespace kdx::test
