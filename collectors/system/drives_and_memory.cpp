#include "collectors/system/drives_and_memory.h"

#include <array>
#include <cinttypes>
#include <cstdio>
#include <optional>

#include "run/number_format.h"

namespace kdx {

namespace {

constexpr std::array<const char*, 9> kUnitNames = {"Byte",     "Kilobyte",  "Megabyte",
                                                   "GigaByte", "Terabyte",  "Petabyte",
                                                   "Exabyte",  "Zettabyte", "Yottabyte"};

constexpr std::array<const char*, 7> kDriveTypeNames = {"Laufwerkstyp kann nicht ermittelt werden",
                                                        "Laufwerk existiert nicht",
                                                        "Wechsel-Laufwerk",
                                                        "Lokale Festplatte",
                                                        "Netzwerk-Laufwerk",
                                                        "CD-ROM",
                                                        "RAM-Disk"};

constexpr char kMemoryHeading[] = "SPEICHER";
constexpr char kTotalPhysical[] = "gesamt physikalisch";
constexpr char kFreePhysical[] = "frei physikalisch";
constexpr char kTotalPageFile[] = "gesamt Auslagerungsdatei";
constexpr char kFreePageFile[] = "frei Auslagerungsdatei";

constexpr char kFreeAvailableLabel[] = "FreeAvailable: ";
constexpr char kTotalSpaceLabel[] = "TotalSpace   : ";
constexpr char kTotalFreeLabel[] = "TotalFree    : ";

constexpr std::int64_t kUnitStep = 1024;
constexpr std::int64_t kLargestInUnit = 10240;
constexpr int kDriveLetters = 26;

/// n / 1024 rounded to the nearest whole number, a tie to the even one.
std::int64_t DivideRoundingToEven(std::int64_t n) {
  const std::int64_t quotient = n / kUnitStep;
  const std::int64_t remainder = n % kUnitStep;
  const bool up = remainder > kUnitStep / 2 || (remainder == kUnitStep / 2 && quotient % 2 != 0);
  return up ? quotient + 1 : quotient;
}

/// Code 0's text for a type code beyond the table: the type cannot be told either way.
const char* DriveTypeName(std::uint32_t type) {
  return type < kDriveTypeNames.size() ? kDriveTypeNames[type] : kDriveTypeNames[0];
}

/// The space of a drive, through GetDiskFreeSpaceA where kernel32 lacks the Ex call: that
/// one tells no total free figure, which then stays 0.
std::optional<DiskFreeSpace> QueryDiskSpace(SystemFacts& system, const std::string& root,
                                            bool hasEx) {
  if (hasEx) return system.GetDiskFreeSpaceExA(root);
  const auto clusters = system.GetDiskFreeSpaceA(root);
  if (!clusters) return std::nullopt;
  // The cluster size as the call's 32-bit product, the byte counts in 64 bits.
  const std::uint32_t clusterBytes = clusters->sectorsPerCluster * clusters->bytesPerSector;
  DiskFreeSpace space;
  space.freeAvailable = static_cast<std::int64_t>(clusterBytes) * clusters->freeClusters;
  space.total = static_cast<std::int64_t>(clusterBytes) * clusters->totalClusters;
  return space;
}

/// Sets SEM_FAILCRITICALERRORS and restores the previous mode on every way out.
class CriticalErrorsSuppressed {
 public:
  explicit CriticalErrorsSuppressed(SystemFacts& system)
      : system_(system), previous_(system.SetErrorMode(kSemFailCriticalErrors)) {}
  ~CriticalErrorsSuppressed() { system_.SetErrorMode(previous_); }
  CriticalErrorsSuppressed(const CriticalErrorsSuppressed&) = delete;
  CriticalErrorsSuppressed& operator=(const CriticalErrorsSuppressed&) = delete;

 private:
  SystemFacts& system_;
  std::uint32_t previous_;
};

void AddDriveRows(RunContext& context, const std::string& root, bool hasEx) {
  SystemFacts& system = context.platform.System();
  const CriticalErrorsSuppressed suppressed(system);
  context.AddReportRow(root, DriveTypeName(system.GetDriveTypeA(root)));
  const auto space = QueryDiskSpace(system, root, hasEx);
  if (!space) return;
  context.AddReportRow("", kFreeAvailableLabel + FormatByteSize(space->freeAvailable));
  context.AddReportRow("", kTotalSpaceLabel + FormatByteSize(space->total));
  context.AddReportRow("", kTotalFreeLabel + FormatByteSize(space->totalFree));
}

}  // namespace

std::string FormatByteSize(std::int64_t bytes) {
  std::int64_t n = bytes;
  std::size_t unit = 0;
  while (n > kLargestInUnit && unit + 1 < kUnitNames.size()) {
    n = DivideRoundingToEven(n);
    ++unit;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%5" PRId64 " %s", n, kUnitNames[unit]);
  return text;
}

std::string FormatKilobytes(std::uint32_t bytes, const NumberSeparators& separators) {
  const auto kilobytes = (static_cast<std::int64_t>(bytes) + kUnitStep / 2) / kUnitStep;
  return FormatGrouped(kilobytes, separators) + " kB";
}

void CollectMemory(RunContext& context) {
  const MemoryStatus memory = context.platform.System().GlobalMemoryStatus();
  context.AddReportRow(kMemoryHeading, "");
  context.AddReportRow(kTotalPhysical, FormatKilobytes(memory.totalPhys, context.separators));
  context.AddReportRow(kFreePhysical, FormatKilobytes(memory.availPhys, context.separators));
  context.AddReportRow(kTotalPageFile, FormatKilobytes(memory.totalPageFile, context.separators));
  context.AddReportRow(kFreePageFile, FormatKilobytes(memory.availPageFile, context.separators));
}

void CollectDrives(RunContext& context) {
  SystemFacts& system = context.platform.System();
  const bool hasEx = system.HasGetDiskFreeSpaceExA();
  const std::uint32_t mask = system.GetLogicalDrives();
  for (int bit = 0; bit < kDriveLetters; ++bit) {
    if ((mask >> bit & 1u) == 0) continue;
    const std::string root{static_cast<char>('A' + bit), ':', '\\'};
    AddDriveRows(context, root, hasEx);
  }
}

}  // namespace kdx
