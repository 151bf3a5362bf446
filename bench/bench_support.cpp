#include "bench/bench_support.h"

#include <sys/resource.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <stdexcept>

namespace kdx::bench {

namespace fs = std::filesystem;

namespace {

/// A "Name:   1234 kB" line of /proc/self/status in bytes; nothing when it is missing.
std::optional<std::uint64_t> StatusBytes(const std::string& name) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(name + ":", 0) == 0) {
      return std::stoull(line.substr(name.size() + 1)) * 1024;
    }
  }
  return std::nullopt;
}

}  // namespace

TempDir::TempDir(const std::string& prefix) {
  std::random_device random;
  path_ = fs::temp_directory_path() /
          (prefix + std::to_string(::getpid()) + "_" + std::to_string(random()));
  fs::create_directories(path_);
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

fs::path SourceDir() { return fs::path(__FILE__).parent_path().parent_path(); }

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(static_cast<std::size_t>(fs::file_size(path)), '\0');
  if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) {
    throw std::runtime_error("cannot read " + path.string());
  }
  return bytes;
}

std::uint64_t CurrentRssBytes() { return StatusBytes("VmRSS").value_or(0); }

std::uint64_t PeakRssBytes() {
  if (const auto peak = StatusBytes("VmHWM")) return *peak;
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

bool ResetPeakRss() {
  std::ofstream clearRefs("/proc/self/clear_refs");
  clearRefs << "5";
  clearRefs.flush();
  return static_cast<bool>(clearRefs);
}

}  // namespace kdx::bench
