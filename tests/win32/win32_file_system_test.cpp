// The files of the Win32 layer against the real (Wine) file system, held to the same contract
// as the simulated machine.
#include "platform/file_system_contract.h"
#include "win32_files_fixture.h"

namespace kdx::test {

using Win32FilesFixtures =
    ::testing::Types<Win32FilesFixture, Win32FilesFixtureOf<Kernel32Calls::OldestOnly>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FileSystemContract, Win32FilesFixtures, PlatformName);

}  // namespace kdx::test
