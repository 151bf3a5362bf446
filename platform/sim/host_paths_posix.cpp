#include <sys/stat.h>

#include <chrono>
#include <cstdlib>

#include "platform/sim/host_paths.h"

namespace kdx {

// Type, size and time in one call: std::filesystem would ask the host once for each.
std::optional<HostFacts> LookAtHostPath(const std::filesystem::path& host) {
  struct stat status {};
  if (::lstat(host.c_str(), &status) != 0) return std::nullopt;
  HostFacts facts;
  facts.link = S_ISLNK(status.st_mode);
  if (facts.link && ::stat(host.c_str(), &status) != 0) return facts;
  facts.folder = S_ISDIR(status.st_mode);
  facts.size = facts.folder ? 0 : static_cast<std::uint64_t>(status.st_size);
  facts.lastWrite =
      std::chrono::file_clock::from_sys(std::chrono::sys_time<std::chrono::nanoseconds>(
          std::chrono::seconds(status.st_mtim.tv_sec) +
          std::chrono::nanoseconds(status.st_mtim.tv_nsec)));
  return facts;
}

std::string ResolvedHostPath(const std::filesystem::path& host) {
  char* resolved = ::realpath(host.c_str(), nullptr);
  if (resolved == nullptr) return {};
  std::string text(resolved);
  std::free(resolved);
  return text;
}

}  // namespace kdx
