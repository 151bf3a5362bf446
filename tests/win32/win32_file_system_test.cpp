// The files of the Win32 layer against the real (Wine) file system, held to the same contract
// as the simulated machine.
#include "platform/file_system_contract.h"
#include "win32_files_fixture.h"

namespace kdx::test {

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileSystemContract, Win32FilesFixture, PlatformName);

}  // namespace kdx::test
