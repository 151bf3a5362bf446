#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

/// The bytes of a host file for readers that look at a few places of it (headers, a resource
/// directory, one resource): mapped, so that only the pages they touch are read and held, and
/// a file of gigabytes costs what a small one does. Copies share the mapping. A host without
/// mappings reads the file whole.
class HostFileView {
 public:
  /// Nothing when the file cannot be opened or is no plain file.
  static std::optional<HostFileView> Open(const std::filesystem::path& host);

  std::string_view Bytes() const { return bytes_; }

 private:
  std::string_view bytes_;
  std::shared_ptr<const void> holder_;
};

}  // namespace kdx
