#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace kdx::bench {

/// machine.json of a German XP PC with a fixed clock; registry and drives are up to the
/// benchmark.
inline constexpr char kBenchMachineJson[] = R"({
  "windowsDirectory": "C:\\WINDOWS",
  "systemDirectory": "C:\\WINDOWS\\system32",
  "version": {"major": 5, "minor": 1, "build": 2600, "platformId": 2,
              "servicePack": "Service Pack 2"},
  "userName": "Hans",
  "localTime": "2026-12-06 22:23:38"
})";

/// A fresh folder under the system's temporary folder, removed with everything in it on
/// destruction.
class TempDir {
 public:
  explicit TempDir(const std::string& prefix);
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

/// Writes bytes to path, creating its folders; throws std::runtime_error on failure.
void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes);
/// A file's bytes; throws std::runtime_error when it cannot be read.
std::string ReadFileBytes(const std::filesystem::path& path);

/// The source tree, found from this file's own path: the benchmarks take sample files from it.
std::filesystem::path SourceDir();

/// The process's resident set now and its peak (VmRSS, VmHWM), in bytes.
std::uint64_t CurrentRssBytes();
std::uint64_t PeakRssBytes();
/// Starts a new peak at the current resident set, so that one benchmark's peak is not an
/// earlier one's; false where the kernel does not offer it (the peak then carries over).
bool ResetPeakRss();

}  // namespace kdx::bench
