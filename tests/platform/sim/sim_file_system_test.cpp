// What every platform's files must answer, held against the simulated machine.
#include "platform/file_system_contract.h"

namespace kdx::test {

INSTANTIATE_TYPED_TEST_SUITE_P(Sim, FileSystemContract, SimFilesFixture, PlatformName);

}  // namespace kdx::test
