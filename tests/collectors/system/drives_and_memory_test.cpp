#include "collectors/system/drives_and_memory.h"

#include <gtest/gtest.h>

#include "platform/forwarding.h"
#include "support/test_machine.h"

namespace kdx {
namespace {

using test::CollectorRun;
using test::XpJsonWith;
using Rows = std::vector<std::string>;

TEST(FormatByteSize, DividesAboveTenKilounitsWithTiesToEven) {
  const struct {
    std::int64_t bytes;
    const char* text;
  } kCases[] = {
      {0, "    0 Byte"},
      {10240, "10240 Byte"},  // not above the limit: stays in bytes
      {10241, "   10 Kilobyte"},
      {10752, "   10 Kilobyte"},  // 10.5 rounds to the even 10
      {11776, "   12 Kilobyte"},  // 11.5 rounds to the even 12
      {11265, "   11 Kilobyte"},  // just above 11 rounds down
      {10485760, "10240 Kilobyte"},
      {3221225472, " 3072 Megabyte"},
      {std::int64_t{1} << 62, " 4096 Petabyte"},
      {-5, "   -5 Byte"},
  };
  for (const auto& c : kCases) EXPECT_EQ(FormatByteSize(c.bytes), c.text) << c.bytes;
}

TEST(FormatKilobytes, HalvesRoundUpAndThousandsAreGrouped) {
  const NumberSeparators separators;
  EXPECT_EQ(FormatKilobytes(536346624, separators), "523.776 kB");
  EXPECT_EQ(FormatKilobytes(0, separators), "0 kB");
  EXPECT_EQ(FormatKilobytes(1536, separators), "2 kB");
  // 2.5 goes up, unlike the drive figures' ties to even
  EXPECT_EQ(FormatKilobytes(2560, separators), "3 kB");
  EXPECT_EQ(FormatKilobytes(2559, separators), "2 kB");
  EXPECT_EQ(FormatKilobytes(0xFFFFFFFF, separators), "4.194.304 kB");
}

// The memory block's five rows, each figure in kilobytes.
TEST(CollectMemory, FiveRowsInOrder) {
  CollectorRun run(XpJsonWith(R"("memory": {"totalPhys": 536346624, "availPhys": 1536,
                                           "totalPageFile": 1048576, "availPageFile": 0})"));
  CollectMemory(run.context);
  EXPECT_EQ(run.Rows(),
            (Rows{"SPEICHER\t", "gesamt physikalisch\t523.776 kB", "frei physikalisch\t2 kB",
                  "gesamt Auslagerungsdatei\t1.024 kB", "frei Auslagerungsdatei\t0 kB"}));
}

// A drive whose space query fails gets its type row only, directly followed by the next.
TEST(CollectDrives, TypeRowsAndSpaceRowsWhereTheQueryAnswers) {
  CollectorRun run(XpJsonWith(R"("drives": {"roots": {
      "A:\\": {"type": 2},
      "C:\\": {"space": {"freeAvailable": 10241, "total": 3221225472, "totalFree": 10240}},
      "D:\\": {"type": 5}}})"));
  CollectDrives(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"A:\\\tWechsel-Laufwerk", "C:\\\tLokale Festplatte",
                              "\tFreeAvailable:    10 Kilobyte", "\tTotalSpace   :  3072 Megabyte",
                              "\tTotalFree    : 10240 Byte", "D:\\\tCD-ROM"}));
}

// Only bits 0 to 25 count; a present letter without a drive and an unknown type code have
// texts of their own.
TEST(CollectDrives, MaskBitsAndTypeTexts) {
  CollectorRun run(XpJsonWith(R"("drives": {"mask": "0xFC000005",
                                            "roots": {"A:\\": {"type": 7}}})"));
  CollectDrives(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"A:\\\tLaufwerkstyp kann nicht ermittelt werden",
                              "C:\\\tLaufwerk existiert nicht"}));
}

TEST(CollectDrives, NoDrivesNoRows) {
  CollectorRun run(XpJsonWith(R"("drives": {"mask": 0})"));
  CollectDrives(run.context);
  EXPECT_TRUE(run.Rows().empty());
}

// Without GetDiskFreeSpaceExA the cluster figures give the space: the cluster size as a
// 32-bit product, no total free figure.
TEST(CollectDrives, ClusterFallbackWhereKernel32LacksTheExCall) {
  CollectorRun run(XpJsonWith(R"("drives": {"diskFreeSpaceEx": false, "roots": {
      "C:\\": {"space": {"freeAvailable": 1, "total": 1, "totalFree": 1},
               "clusters": {"sectorsPerCluster": 8, "bytesPerSector": 512,
                            "freeClusters": 3, "totalClusters": 4294967295}},
      "D:\\": {"clusters": {"sectorsPerCluster": 65536, "bytesPerSector": 65536,
                            "freeClusters": 5, "totalClusters": 5}},
      "E:\\": {"space": {"freeAvailable": 1, "total": 1, "totalFree": 1}}}})"));
  CollectDrives(run.context);
  EXPECT_EQ(run.Rows(), (Rows{"C:\\\tLokale Festplatte", "\tFreeAvailable:    12 Kilobyte",
                              "\tTotalSpace   :    16 Terabyte", "\tTotalFree    :     0 Byte",
                              "D:\\\tLokale Festplatte", "\tFreeAvailable:     0 Byte",
                              "\tTotalSpace   :     0 Byte", "\tTotalFree    :     0 Byte",
                              "E:\\\tLokale Festplatte"}));
}

/// A machine that notes the process's error mode at every query of a drive.
class ErrorModeWatch final : public LayeredPlatform {
 public:
  explicit ErrorModeWatch(Platform& machine) : LayeredPlatform(machine) {
    auto system = std::make_unique<System>(machine.System());
    system_ = system.get();
    Layer(std::move(system));
  }
  const std::vector<std::uint32_t>& ModesOfDriveQueries() const { return system_->queries; }
  std::uint32_t Mode() const { return system_->mode; }

 private:
  struct System final : ForwardingSystemFacts {
    using ForwardingSystemFacts::ForwardingSystemFacts;
    std::uint32_t SetErrorMode(std::uint32_t newMode) override {
      mode = newMode;
      return ForwardingSystemFacts::SetErrorMode(newMode);
    }
    std::uint32_t GetDriveTypeA(const std::string& root) override {
      queries.push_back(mode);
      return ForwardingSystemFacts::GetDriveTypeA(root);
    }
    std::optional<DiskFreeSpace> GetDiskFreeSpaceExA(const std::string& root) override {
      queries.push_back(mode);
      return ForwardingSystemFacts::GetDiskFreeSpaceExA(root);
    }
    std::optional<DiskClusters> GetDiskFreeSpaceA(const std::string& root) override {
      queries.push_back(mode);
      return ForwardingSystemFacts::GetDiskFreeSpaceA(root);
    }
    std::uint32_t mode = 0;
    std::vector<std::uint32_t> queries;
  };
  System* system_;
};

// Every query of a drive runs without critical-error dialogs; the mode is restored after it.
TEST(CollectDrives, ErrorModeSetAroundEveryDrive) {
  test::TestMachine machine(XpJsonWith(R"("drives": {"roots": {"A:\\": {"type": 2},
                                                              "C:\\": {"space": {}}}})"));
  const auto platform = machine.Load();
  ErrorModeWatch watch(*platform);
  test::RecordingFrontEnd ui;
  RunContext context(watch, ui);
  CollectDrives(context);
  EXPECT_EQ(watch.ModesOfDriveQueries(), (std::vector<std::uint32_t>{1, 1, 1, 1}));
  EXPECT_EQ(watch.Mode(), 0u);
}

}  // namespace
}  // namespace kdx
