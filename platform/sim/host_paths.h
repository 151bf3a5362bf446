#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kdx {

// What the simulated machine asks of the host's own file system. The host's kind decides how
// (host_paths_posix.cpp, host_paths_windows.cpp; the build takes one).

/// What one look at a host file or folder tells.
struct HostFacts {
  bool folder = false;
  bool link = false;  ///< a host symbolic link, which the machine shows as a reparse point
  std::uint64_t size = 0;
  std::filesystem::file_time_type lastWrite;
};

/// The facts of a host path, links followed (a link that leads nowhere is a link and nothing
/// more); nothing when the path is not there.
std::optional<HostFacts> LookAtHostPath(const std::filesystem::path& host);

/// The host's own spelling of a path, links followed; empty when it cannot be resolved.
std::string ResolvedHostPath(const std::filesystem::path& host);

}  // namespace kdx
