// The Windows programs list a folder with the find calls every Windows since 95 has.
#include "app/console/folder_listing.h"

#include <windows.h>

#include <algorithm>

namespace kdx {
namespace {

class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

}  // namespace

bool IsFolder(const std::string& path) {
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool ListFolderFiles(const std::string& folder, std::vector<std::string>& names) {
  WIN32_FIND_DATAA entry{};
  const FindHandle find(::FindFirstFileA(PathInFolder(folder, "*.*").c_str(), &entry));
  if (!find.Valid()) {
    // An empty folder has no entry to find; a missing one fails.
    return ::GetLastError() == ERROR_FILE_NOT_FOUND && IsFolder(folder);
  }
  do {
    if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
      names.emplace_back(entry.cFileName);
  } while (::FindNextFileA(find.Get(), &entry));
  std::sort(names.begin(), names.end());
  return true;
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
  const bool separated = !folder.empty() && (folder.back() == '\\' || folder.back() == '/');
  return separated ? folder + name : folder + "\\" + name;
}

}  // namespace kdx
