// The registry export on the real (Wine) registry, held to the same lines as on the simulated
// store.
#include "report/registry_export_contract.h"
#include "win32_registry_fixture.h"

namespace kdx::test {

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryExportContract, Win32RegistryFixture, PlatformName);

}  // namespace kdx::test
