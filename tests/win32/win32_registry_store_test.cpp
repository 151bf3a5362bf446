// The registry store of the Win32 layer against the real (Wine) registry, held to the same
// contract as the simulated store.
#include "platform/registry_store_contract.h"
#include "win32_registry_fixture.h"

namespace kdx::test {

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, RegistryStoreContract, Win32RegistryFixture, PlatformName);

}  // namespace kdx::test
