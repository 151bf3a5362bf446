#include "platform/sim/host_paths.h"

namespace kdx {

namespace fs = std::filesystem;

std::optional<HostFacts> LookAtHostPath(const fs::path& host) {
  std::error_code ec;
  const fs::file_status status = fs::status(host, ec);
  if (ec || !fs::exists(status)) return std::nullopt;
  HostFacts facts;
  facts.folder = fs::is_directory(status);
  facts.link = fs::is_symlink(fs::symlink_status(host, ec));
  if (!facts.folder) facts.size = static_cast<std::uint64_t>(fs::file_size(host, ec));
  facts.lastWrite = fs::last_write_time(host, ec);
  return facts;
}

std::string ResolvedHostPath(const fs::path& host) {
  std::error_code ec;
  const fs::path resolved = fs::canonical(host, ec);
  return ec ? std::string() : resolved.string();
}

}  // namespace kdx
