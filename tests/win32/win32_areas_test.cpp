// Memory and drives, services and processes, the spooler and the event logs of the Win32
// layer against the running system (Wine), held to the same contracts as the simulated machine.
#include "platform/drives_memory_contract.h"
#include "platform/event_logs_contract.h"
#include "platform/services_processes_contract.h"
#include "platform/spooler_contract.h"
#include "win32_area_fixtures.h"

namespace kdx::test {

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DrivesMemoryContract, Win32AreaFixture, PlatformName);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ServicesProcessesContract, Win32AreaFixture, PlatformName);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, SpoolerContract, Win32AreaFixture, PlatformName);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, EventLogsContract, Win32AreaFixture, PlatformName);

}  // namespace kdx::test
