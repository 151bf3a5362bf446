#pragma once

// RegDeleteTreeA needs the Vista declarations; the tests only run under Wine and newer Windows.
#ifndef _WIN32_WINNT
#define _WIN32_WINNT 0x0600
#endif
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string>

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

  HKEY Get() const { return key_; }
  HKEY* Receive() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

/// HKCU\Software\KDXInfoTest\<name>, created empty for one test and deleted with all it holds
/// afterwards. The test writes through the raw API; the program itself never writes.
class TestKey {
 public:
  explicit TestKey(const std::string& name) : path_("Software\\KDXInfoTest\\" + name) {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    ::RegCreateKeyExA(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      key_.Receive(), nullptr);
  }
  ~TestKey() {
    ::RegDeleteTreeA(HKEY_CURRENT_USER, path_.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\KDXInfoTest");
  }
  TestKey(const TestKey&) = delete;
  TestKey& operator=(const TestKey&) = delete;

  HKEY Get() const { return key_.Get(); }
  /// The key's path below HKEY_CURRENT_USER.
  const std::string& Path() const { return path_; }

  /// Stores the first count bytes of data (all of them by default).
  void SetBytes(const std::string& name, DWORD type, const std::string& data,
                std::size_t count = std::string::npos) const {
    ::RegSetValueExA(key_.Get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                     static_cast<DWORD>(std::min(count, data.size())));
  }
  /// A REG_SZ value stored with its terminating NUL, as programs normally write it.
  void SetText(const std::string& name, const std::string& text) const {
    SetBytes(name, REG_SZ, std::string(text.c_str(), text.size() + 1));
  }
  void SetDword(const std::string& name, std::uint32_t value) const {
    SetBytes(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
  }
  void AddSubkey(const std::string& name) const {
    UniqueKey subkey;
    ::RegCreateKeyExA(key_.Get(), name.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      subkey.Receive(), nullptr);
  }

 private:
  std::string path_;
  UniqueKey key_;
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
