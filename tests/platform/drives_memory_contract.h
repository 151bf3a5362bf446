#pragma once

// What kernel32 answers about memory and drives, held against every platform: the simulated
// machine on the host and under Wine, the Win32 layer under Wine.

#include <gtest/gtest.h>

#include <string>

#include "platform/system_facts.h"
#include "support/sim_area_fixtures.h"

namespace kdx::test {

template <typename Fixture>
class DrivesMemoryContract : public ::testing::Test {
 protected:
  SystemFacts& System() { return machine_.System(); }

  Fixture machine_;
};

TYPED_TEST_SUITE_P(DrivesMemoryContract);

TYPED_TEST_P(DrivesMemoryContract, PhysicalMemoryIsKnown) {
  const MemoryStatus memory = this->System().GlobalMemoryStatus();
  EXPECT_GT(memory.totalPhys, 0u);
  EXPECT_LE(memory.availPhys, memory.totalPhys);
}

// Drive C is a fixed disk; both space calls answer, and their figures fit together.
TYPED_TEST_P(DrivesMemoryContract, DriveCIsAFixedDisk) {
  SystemFacts& system = this->System();
  const std::uint32_t mask = system.GetLogicalDrives();
  EXPECT_NE(mask & 0x4, 0u);
  EXPECT_EQ(system.GetDriveTypeA("C:\\"), 3u);
  ASSERT_TRUE(system.HasGetDiskFreeSpaceExA());
  const auto space = system.GetDiskFreeSpaceExA("C:\\");
  ASSERT_TRUE(space);
  EXPECT_GT(space->total, 0);
  EXPECT_LE(space->freeAvailable, space->totalFree);
  EXPECT_LE(space->totalFree, space->total);
  const auto clusters = system.GetDiskFreeSpaceA("C:\\");
  ASSERT_TRUE(clusters);
  EXPECT_GT(clusters->sectorsPerCluster * clusters->bytesPerSector, 0u);
  EXPECT_LE(clusters->freeClusters, clusters->totalClusters);
}

// A letter whose bit is clear names no drive, and its space cannot be had.
TYPED_TEST_P(DrivesMemoryContract, LetterWithoutDrive) {
  SystemFacts& system = this->System();
  const std::uint32_t mask = system.GetLogicalDrives();
  int bit = 1;
  while (bit < 26 && (mask >> bit & 1u) != 0) ++bit;
  ASSERT_LT(bit, 26);
  const std::string root{static_cast<char>('A' + bit), ':', '\\'};
  EXPECT_EQ(system.GetDriveTypeA(root), kDriveNoRootDir) << root;
  EXPECT_FALSE(system.GetDiskFreeSpaceExA(root)) << root;
  EXPECT_FALSE(system.GetDiskFreeSpaceA(root)) << root;
}

TYPED_TEST_P(DrivesMemoryContract, ErrorModeAnswersWithThePreviousOne) {
  SystemFacts& system = this->System();
  const std::uint32_t original = system.SetErrorMode(kSemFailCriticalErrors);
  EXPECT_EQ(system.SetErrorMode(original), kSemFailCriticalErrors);
}

REGISTER_TYPED_TEST_SUITE_P(DrivesMemoryContract, PhysicalMemoryIsKnown, DriveCIsAFixedDisk,
                            LetterWithoutDrive, ErrorModeAnswersWithThePreviousOne);

}  // namespace kdx::test
