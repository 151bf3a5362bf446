#pragma once

// RegDeleteTreeA needs the Vista declarations; the tests only run under Wine and newer Windows.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

namespace kdx::testing {

/// True when the tests run under Wine rather than Windows (ntdll exports wine_get_version).
inline bool RunningUnderWine() {
  return ::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

/// Owns a registry key that a test created or opened and closes it once.
class UniqueKey {
 public:
  UniqueKey() = default;
  ~UniqueKey() {
    if (key_ != nullptr) ::RegCloseKey(key_);
  }
  UniqueKey(const UniqueKey&) = delete;
  UniqueKey& operator=(const UniqueKey&) = delete;
  UniqueKey(UniqueKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  UniqueKey& operator=(UniqueKey&& other) noexcept {
    std::swap(key_, other.key_);
    return *this;
  }

  HKEY Get() const { return key_; }
  HKEY* Receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

/// Deletes a folder with everything in it.
inline void RemoveFolderTree(const std::string& folder) {
  WIN32_FIND_DATAA entry;
  HANDLE search = ::FindFirstFileA((folder + "*").c_str(), &entry);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = entry.cFileName;
      if (name == "." || name == "..") continue;
      if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        RemoveFolderTree(folder + name + "\\");
      } else {
        ::SetFileAttributesA((folder + name).c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA((folder + name).c_str());
      }
    } while (::FindNextFileA(search, &entry));
    ::FindClose(search);
  }
  ::RemoveDirectoryA(folder.c_str());
}

/// A fresh folder below the temporary folder, removed with its files afterwards.
class TempFolder {
 public:
  explicit TempFolder(const std::string& name) {
    char temp[MAX_PATH];
    const DWORD length = ::GetTempPathA(MAX_PATH, temp);
    path_ = std::string(temp, length) + "kdxinfo-" + name + "\\";
    RemoveFolderTree(path_);
    ::CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~TempFolder() { RemoveFolderTree(path_); }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  /// The folder's path with a trailing backslash.
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace kdx::testing
