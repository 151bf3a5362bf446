#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

/// The bytes of a file as a reader of its format looks at them: held in memory, or read range
/// by range from where the file lies. The PE readers look at a few places of a file (headers,
/// a resource directory, one resource), so a file of gigabytes costs them what a small one
/// does: only the pages they touch are read, and held while the object lives.
class FileBytes {
 public:
  /// Reads size bytes at offset into the buffer; false when they cannot all be had.
  using ReadAt = std::function<bool(std::uint64_t offset, char* buffer, std::size_t size)>;

  /// Bytes in memory, which must outlive the object.
  FileBytes(std::string_view bytes) : size_(bytes.size()), memory_(bytes) {}   // NOLINT
  FileBytes(const std::string& bytes) : FileBytes(std::string_view(bytes)) {}  // NOLINT
  FileBytes(const char* bytes) : FileBytes(std::string_view(bytes)) {}         // NOLINT
  /// A file of size bytes read through readAt.
  FileBytes(std::uint64_t size, ReadAt readAt) : size_(size), readAt_(std::move(readAt)) {}

  std::uint64_t size() const { return size_; }

  /// count bytes at offset; nothing when they reach past the end, or when the file no longer
  /// gives them (it changed since its size was taken: ReadFailed tells).
  std::optional<std::string> Read(std::uint64_t offset, std::uint64_t count) const;

  /// The little-endian 16-bit number at offset, or nothing where Read gives nothing.
  std::optional<std::uint16_t> Le16(std::uint64_t offset) const;
  /// The little-endian 32-bit number at offset, or nothing where Read gives nothing.
  std::optional<std::uint32_t> Le32(std::uint64_t offset) const;

  /// True once a read inside the file's size failed.
  bool ReadFailed() const { return readFailed_; }

 private:
  static constexpr std::uint64_t kPageSize = 4096;

  const std::string* Page(std::uint64_t index) const;

  std::uint64_t size_;
  std::string_view memory_;
  ReadAt readAt_;
  mutable std::map<std::uint64_t, std::string> pages_;
  mutable bool readFailed_ = false;
};

}  // namespace kdx
