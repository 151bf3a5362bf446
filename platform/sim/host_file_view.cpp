#include "platform/sim/host_file_view.h"

#ifdef _WIN32
#include <fstream>
#else
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kdx {

namespace fs = std::filesystem;

#ifdef _WIN32
std::optional<HostFileView> HostFileView::Open(const fs::path& host) {
  std::error_code ec;
  const std::uintmax_t size = fs::file_size(host, ec);
  if (ec) return std::nullopt;
  auto bytes = std::make_shared<std::string>(static_cast<std::size_t>(size), '\0');
  std::ifstream in(host, std::ios::binary);
  if (!in.read(bytes->data(), static_cast<std::streamsize>(size))) return std::nullopt;
  HostFileView view;
  view.bytes_ = *bytes;
  view.holder_ = std::move(bytes);
  return view;
}
#else
std::optional<HostFileView> HostFileView::Open(const fs::path& host) {
  const int descriptor = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
    ::close(descriptor);
    return std::nullopt;
  }
  const auto size = static_cast<std::size_t>(status.st_size);
  void* base = size == 0 ? nullptr : ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, descriptor, 0);
  ::close(descriptor);
  if (base == MAP_FAILED) return std::nullopt;
  HostFileView view;
  view.bytes_ = std::string_view(static_cast<const char*>(base), size);
  view.holder_ = std::shared_ptr<const void>(base, [size](const void* mapped) {
    if (mapped != nullptr) ::munmap(const_cast<void*>(mapped), size);
  });
  return view;
}
#endif

}  // namespace kdx
