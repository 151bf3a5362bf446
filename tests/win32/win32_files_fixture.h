#pragma once

#include <windows.h>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"
#include "support/sim_files_fixture.h"
#include "win32_test_support.h"

namespace kdx::test {

/// The real file system for the files contract: files written through the raw API below
/// C:\KDXTEST, made fresh for each test and removed afterwards. With Kernel32Calls::OldestOnly
/// the layer takes only the calls the first Windows 95 has, so its fallbacks answer.
template <Kernel32Calls kCalls>
class Win32FilesFixtureOf {
 public:
  static constexpr const char* kName =
      kCalls == Kernel32Calls::AsExported ? "Win32" : "Win32OldestCalls";

  Win32FilesFixtureOf() : platform_(kCalls) {
    testing::RemoveFolderTree(kRoot);
    ::CreateDirectoryA(kRoot, nullptr);
  }
  ~Win32FilesFixtureOf() {
    for (const HANDLE held : held_) ::CloseHandle(held);
    testing::RemoveFolderTree(kRoot);
  }
  Win32FilesFixtureOf(const Win32FilesFixtureOf&) = delete;
  Win32FilesFixtureOf& operator=(const Win32FilesFixtureOf&) = delete;

  void Put(const std::string& relative, const std::string& bytes) {
    MakeFolders(relative.substr(0, relative.find_last_of('\\') + 1));
    HANDLE file = ::CreateFileA(PathOf(relative).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ::CloseHandle(file);
    // A new file carries the archive bit, as one written by any program does.
    ::SetFileAttributesA(PathOf(relative).c_str(), FILE_ATTRIBUTE_ARCHIVE);
  }
  void Folder(const std::string& relative) { MakeFolders(relative + "\\"); }

  void SetAttributes(const std::string& relative, const std::string& letters) {
    DWORD attributes = 0;
    for (const char c : letters) {
      attributes |= c == 'A'   ? FILE_ATTRIBUTE_ARCHIVE
                    : c == 'H' ? FILE_ATTRIBUTE_HIDDEN
                    : c == 'R' ? FILE_ATTRIBUTE_READONLY
                    : c == 'S' ? FILE_ATTRIBUTE_SYSTEM
                    : c == 'N' ? FILE_ATTRIBUTE_NORMAL
                               : 0;
    }
    ::SetFileAttributesA(PathOf(relative).c_str(), attributes);
  }

  /// Sets the last-write time from a local "YYYY-MM-DD hh:mm:ss".
  void SetLastWrite(const std::string& relative, const std::string& localTime) {
    SYSTEMTIME time{};
    std::sscanf(localTime.c_str(), "%hu-%hu-%hu %hu:%hu:%hu", &time.wYear, &time.wMonth, &time.wDay,
                &time.wHour, &time.wMinute, &time.wSecond);
    FILETIME local{};
    FILETIME utc{};
    ::SystemTimeToFileTime(&time, &local);
    ::LocalFileTimeToFileTime(&local, &utc);
    const std::string path = PathOf(relative);
    // A read-only file takes no new time; its attributes go back afterwards.
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE file = ::CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ::SetFileTime(file, nullptr, nullptr, &utc);
    ::CloseHandle(file);
    ::SetFileAttributesA(path.c_str(), attributes);
  }

  /// Holds the file open without sharing until the test ends.
  void Lock(const std::string& relative) {
    held_.push_back(::CreateFileA(PathOf(relative).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  Platform& Machine() { return platform_; }
  /// The test prefix's drive K:, which wine_prefix.sh maps to an empty folder; nothing where
  /// the system has no such drive.
  static std::optional<std::string> EmptyDriveRoot() {
    if (::GetDriveTypeA("K:\\") == DRIVE_NO_ROOT_DIR) return std::nullopt;
    return "K:\\";
  }

  static std::optional<std::string> Differs(FilesDifference difference) {
    if (!testing::RunningUnderWine()) return std::nullopt;
    switch (difference) {
      case FilesDifference::FolderOrderUnsorted:
        return "Wine lists a folder in the order of the Unix folder beneath it";
      case FilesDifference::NormalShownAsArchive:
        return "Wine keeps no attribute-less state for a file: it tells it as archive";
    }
    return std::nullopt;
  }

 private:
  static constexpr char kRoot[] = "C:\\KDXTEST\\";

  static std::string PathOf(const std::string& relative) { return kRoot + relative; }

  static void MakeFolders(const std::string& relativeFolder) {
    for (std::size_t end = relativeFolder.find('\\'); end != std::string::npos;
         end = relativeFolder.find('\\', end + 1)) {
      ::CreateDirectoryA(PathOf(relativeFolder.substr(0, end)).c_str(), nullptr);
    }
  }

  Win32Platform platform_;
  std::vector<HANDLE> held_;
};

using Win32FilesFixture = Win32FilesFixtureOf<Kernel32Calls::AsExported>;

}  // namespace kdx::test
