#include "platform/file_paths.h"

namespace kdx {

namespace {

std::size_t NameStart(std::string_view path) {
  const std::size_t separator = path.find_last_of("\\:");
  return separator == std::string_view::npos ? 0 : separator + 1;
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool HasDriveLetter(std::string_view path) {
  return path.size() >= 2 && path[1] == ':' &&
         ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

/// The path joined to what it is relative to, with "/" as "\".
std::string AbsoluteSpelling(std::string_view path, std::string_view currentDirectory) {
  const bool driveAbsolute = HasDriveLetter(path) && path.size() >= 3 && IsSeparator(path[2]);
  const bool unc = path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]);
  std::string joined;
  if (driveAbsolute || unc) {
    joined = path;
  } else if (IsSeparator(path.front())) {
    joined = std::string(currentDirectory.substr(0, 2)) + std::string(path);
  } else if (HasDriveLetter(path)) {
    // "D:x" is relative to D:'s own current folder; only the current drive's is known.
    const bool sameDrive =
        HasDriveLetter(currentDirectory) && (currentDirectory[0] | 0x20) == (path[0] | 0x20);
    joined = sameDrive ? std::string(currentDirectory) + "\\" + std::string(path.substr(2))
                       : std::string(path.substr(0, 2)) + "\\" + std::string(path.substr(2));
  } else {
    joined = std::string(currentDirectory) + "\\" + std::string(path);
  }
  for (char& c : joined) {
    if (c == '/') c = '\\';
  }
  return joined;
}

/// The length of the root that ".." never takes: "C:\", or "\\server\share\".
std::size_t RootLength(std::string_view path) {
  if (path.size() >= 2 && path[0] == '\\' && path[1] == '\\') {
    std::size_t end = path.find('\\', 2);
    if (end != std::string_view::npos) end = path.find('\\', end + 1);
    return end == std::string_view::npos ? path.size() : end + 1;
  }
  return std::min<std::size_t>(3, path.size());
}

/// Drops the name before position end (and the separator before it), never the root.
void DropLastName(std::string& path, std::size_t root) {
  while (path.size() > root && path.back() != '\\') path.pop_back();
  if (path.size() > root) path.pop_back();
  while (path.size() > root && path.back() != '\\') path.pop_back();
}

}  // namespace

std::string_view FileNamePart(std::string_view path) { return path.substr(NameStart(path)); }

std::string_view FolderPart(std::string_view path) { return path.substr(0, NameStart(path)); }

std::optional<std::string> FullPathName(std::string_view path, std::string_view currentDirectory) {
  if (path.empty()) return std::nullopt;
  const std::string joined = AbsoluteSpelling(path, currentDirectory);
  const std::size_t root = RootLength(joined);
  std::string full = joined.substr(0, root);
  std::size_t pos = root;
  while (pos < joined.size()) {
    if (joined[pos] == '\\') {
      ++pos;
      continue;
    }
    const std::size_t end = std::min(joined.find('\\', pos), joined.size());
    const std::string_view name = std::string_view{joined}.substr(pos, end - pos);
    const bool last = end == joined.size();
    pos = end;
    if (name == ".") {
      if (last && full.size() > root) full.pop_back();
      continue;
    }
    if (name == "..") {
      DropLastName(full, root);
      if (last && full.size() > root) full.pop_back();
      continue;
    }
    full += name;
    if (last) break;
    // A folder's name loses one trailing dot: "a.\b" is "a\b".
    if (full.back() == '.') full.pop_back();
    full += '\\';
  }
  // What ends the path loses its trailing dots and blanks, as the system drops them.
  while (full.size() > root && (full.back() == '.' || full.back() == ' ')) full.pop_back();
  return full;
}

}  // namespace kdx
