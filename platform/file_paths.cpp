#include "platform/file_paths.h"

namespace kdx {

namespace {

std::size_t NameStart(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\:");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

}  // namespace

std::string_view FileNamePart(std::string_view path) { return path.substr(NameStart(path)); }

std::string_view FolderPart(std::string_view path) { return path.substr(0, NameStart(path)); }

}  // namespace kdx
