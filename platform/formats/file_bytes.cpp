#include "platform/formats/file_bytes.h"

#include <algorithm>

namespace kdx {

std::optional<std::string> FileBytes::Read(std::uint64_t offset, std::uint64_t count) const {
  // A 32-bit program cannot hold more than its address space; no reader asks for that much.
  if (offset > size_ || size_ - offset < count || count > std::string().max_size()) {
    return std::nullopt;
  }
  const auto length = static_cast<std::size_t>(count);
  if (!readAt_) return std::string(memory_.substr(static_cast<std::size_t>(offset), length));
  std::string bytes;
  bytes.reserve(length);
  while (bytes.size() < length) {
    const std::uint64_t at = offset + bytes.size();
    const std::string* page = Page(at / kPageSize);
    if (page == nullptr) return std::nullopt;
    const auto inPage = static_cast<std::size_t>(at % kPageSize);
    bytes.append(*page, inPage, std::min(page->size() - inPage, length - bytes.size()));
  }
  return bytes;
}

const std::string* FileBytes::Page(std::uint64_t index) const {
  if (const auto known = pages_.find(index); known != pages_.end()) return &known->second;
  const std::uint64_t start = index * kPageSize;
  std::string page(static_cast<std::size_t>(std::min(kPageSize, size_ - start)), '\0');
  if (!readAt_(start, page.data(), page.size())) {
    readFailed_ = true;
    return nullptr;
  }
  return &pages_.emplace(index, std::move(page)).first->second;
}

std::optional<std::uint16_t> FileBytes::Le16(std::uint64_t offset) const {
  const std::optional<std::string> pair = Read(offset, 2);
  if (!pair) return std::nullopt;
  return static_cast<std::uint16_t>(static_cast<unsigned char>((*pair)[0]) |
                                    static_cast<unsigned char>((*pair)[1]) << 8);
}

std::optional<std::uint32_t> FileBytes::Le32(std::uint64_t offset) const {
  const std::optional<std::uint16_t> low = Le16(offset);
  const std::optional<std::uint16_t> high = Le16(offset + 2);
  if (!low || !high) return std::nullopt;
  return static_cast<std::uint32_t>(*low | (std::uint32_t{*high} << 16));
}

}  // namespace kdx
