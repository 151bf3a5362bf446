#include <windows.h>

#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_platform.h"

namespace kdx {

namespace {

constexpr WORD kFirstDosYear = 1980;
constexpr WORD kLastDosYear = 2107;

long LastError() { return static_cast<long>(::GetLastError()); }

// True when the local time of a file time is one an MS-DOS date and time can hold. The year is
// checked directly: Wine's FileTimeToDosDateTime wraps years outside 1980 to 2107 instead of
// failing as Windows does, and the result must be the same on both.
bool HasDosDate(const FILETIME& utc) {
  FILETIME local{};
  SYSTEMTIME time{};
  return ::FileTimeToLocalFileTime(&utc, &local) && ::FileTimeToSystemTime(&local, &time) &&
         time.wYear >= kFirstDosYear && time.wYear <= kLastDosYear;
}

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(HANDLE file) : file_(file) {}

  long Read(char* buffer, std::size_t size, std::size_t& count) override {
    DWORD read = 0;
    const BOOL done = ::ReadFile(file_.Get(), buffer, static_cast<DWORD>(size), &read, nullptr);
    count = read;
    return done ? ERROR_SUCCESS : LastError();
  }

 private:
  win32::UniqueHandle file_;
};

class Win32OutputFile final : public OutputFile {
 public:
  explicit Win32OutputFile(HANDLE file) : file_(file) {}

  long Write(const char* data, std::size_t size) override {
    DWORD written = 0;
    if (!::WriteFile(file_.Get(), data, static_cast<DWORD>(size), &written, nullptr)) {
      return LastError();
    }
    // A short write without an error code means the volume ran full.
    return written == size ? ERROR_SUCCESS : ERROR_DISK_FULL;
  }

  long Close() override { return file_.Close() ? ERROR_SUCCESS : LastError(); }

 private:
  win32::UniqueHandle file_;
};

class Win32Files final : public FileSystem {
 public:
  bool FileExists(const std::string& path) override {
    // GetFileAttributesExA rather than FindFirstFileA: a "*" or "?" in the path must not
    // match some other file.
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return false;
    if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    return HasDosDate(data.ftLastWriteTime);
  }

  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    // Log files may still be open for writing by the program that keeps them.
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    file = std::make_unique<Win32InputFile>(handle);
    return ERROR_SUCCESS;
  }

  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    file = std::make_unique<Win32OutputFile>(handle);
    return ERROR_SUCCESS;
  }
};

}  // namespace

std::unique_ptr<FileSystem> NewWin32Files() { return std::make_unique<Win32Files>(); }

}  // namespace kdx
