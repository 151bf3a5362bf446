#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <vector>

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

std::uint64_t FileTimeValue(const FILETIME& time) {
  return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

std::uint64_t SizeValue(DWORD high, DWORD low) {
  return (static_cast<std::uint64_t>(high) << 32) | low;
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

  long Seek(std::uint64_t offset) override {
    LONG high = static_cast<LONG>(offset >> 32);
    const DWORD low =
        ::SetFilePointer(file_.Get(), static_cast<LONG>(offset & 0xFFFFFFFF), &high, FILE_BEGIN);
    // INVALID_SET_FILE_POINTER is also a valid low half: only the error code tells.
    if (low == INVALID_SET_FILE_POINTER && ::GetLastError() != NO_ERROR) return LastError();
    return ERROR_SUCCESS;
  }

  long GetInformation(FileInformation& information) override {
    BY_HANDLE_FILE_INFORMATION data{};
    if (!::GetFileInformationByHandle(file_.Get(), &data)) return LastError();
    information = {data.dwFileAttributes, FileTimeValue(data.ftLastWriteTime),
                   SizeValue(data.nFileSizeHigh, data.nFileSizeLow)};
    return ERROR_SUCCESS;
  }

 private:
  win32::UniqueHandle file_;
};

/// Owns a search handle of FindFirstFileA.
class FindHandle {
 public:
  explicit FindHandle(HANDLE handle) : handle_(handle) {}
  ~FindHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) ::FindClose(handle_);
  }
  FindHandle(const FindHandle&) = delete;
  FindHandle& operator=(const FindHandle&) = delete;
  HANDLE Get() const { return handle_; }

 private:
  HANDLE handle_;
};

/// Releases a COM interface pointer once.
template <typename Interface>
class ComPtr {
 public:
  ComPtr() = default;
  ~ComPtr() {
    if (pointer_ != nullptr) pointer_->Release();
  }
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  Interface* operator->() const { return pointer_; }
  void** Receive() { return reinterpret_cast<void**>(&pointer_); }

 private:
  Interface* pointer_ = nullptr;
};

constexpr int kShellLinkTextSize = 260;

/// A text of one of the shell link's Get calls: nothing when the call fails (top bit set).
template <typename Call>
std::optional<std::string> ShellLinkText(Call call) {
  char buffer[kShellLinkTextSize] = {};
  if (FAILED(call(buffer, kShellLinkTextSize))) return std::nullopt;
  return std::string(buffer, ::strnlen(buffer, sizeof buffer));
}

std::wstring WideFromAnsi(const std::string& text) {
  const int size = ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

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

using GetFileAttributesExCall = BOOL(WINAPI*)(LPCSTR, GET_FILEEX_INFO_LEVELS, LPVOID);

// The attributes and last-write time of one path, as GetFileAttributesExA gives them; through
// FindFirstFileA where kernel32 lacks that call (the first Windows 95). A wildcard would let
// FindFirstFileA answer for some other file, and no file name holds one, so such a path has
// no file.
bool QueryFileAttributes(GetFileAttributesExCall attributesEx, const std::string& path,
                         DWORD& attributes, FILETIME& lastWrite) {
  if (attributesEx != nullptr) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!attributesEx(path.c_str(), GetFileExInfoStandard, &data)) return false;
    attributes = data.dwFileAttributes;
    lastWrite = data.ftLastWriteTime;
    return true;
  }
  if (path.find_first_of("*?") != std::string::npos) return false;
  WIN32_FIND_DATAA data{};
  const FindHandle search(::FindFirstFileA(path.c_str(), &data));
  if (search.Get() == INVALID_HANDLE_VALUE) return false;
  attributes = data.dwFileAttributes;
  lastWrite = data.ftLastWriteTime;
  return true;
}

class Win32Files final : public FileSystem {
 public:
  explicit Win32Files(Kernel32Calls calls)
      : attributesEx_(calls == Kernel32Calls::OldestOnly
                          ? nullptr
                          : win32::ProcAddress<GetFileAttributesExCall>(
                                ::GetModuleHandleA("kernel32.dll"), "GetFileAttributesExA")) {}

  bool FileExists(const std::string& path) override {
    DWORD attributes = 0;
    FILETIME lastWrite{};
    if (!QueryFileAttributes(attributesEx_, path, attributes, lastWrite)) return false;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return false;
    return HasDosDate(lastWrite);
  }

  long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) override {
    // Log files may still be open for writing by the program that keeps them.
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    file = std::make_unique<Win32InputFile>(handle);
    return ERROR_SUCCESS;
  }

  long GetFullPathNameA(const std::string& path, std::string& fullPath) override {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
      char* name = nullptr;
      const DWORD length =
          ::GetFullPathNameA(path.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), &name);
      if (length == 0) return LastError();
      if (length < buffer.size()) {
        fullPath.assign(buffer.data(), length);
        return ERROR_SUCCESS;
      }
      buffer.resize(length);
    }
  }

  long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) override {
    const DWORD found = ::GetFileAttributesA(path.c_str());
    if (found == INVALID_FILE_ATTRIBUTES) return LastError();
    attributes = found;
    return ERROR_SUCCESS;
  }

  long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) override {
    entries.clear();
    WIN32_FIND_DATAA data{};
    const FindHandle search(::FindFirstFileA((folder + "\\*.*").c_str(), &data));
    // A drive's root lists no "." and "..": an empty one has nothing that matches.
    if (search.Get() == INVALID_HANDLE_VALUE) {
      return ::GetLastError() == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : LastError();
    }
    do {
      entries.push_back({data.cFileName, data.dwFileAttributes, FileTimeValue(data.ftLastWriteTime),
                         SizeValue(data.nFileSizeHigh, data.nFileSizeLow)});
    } while (::FindNextFileA(search.Get(), &data));
    const long error = LastError();
    return error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error;
  }

  long GetFileVersionInfoA(const std::string& path, std::string& block) override {
    DWORD handle = 0;
    const DWORD size = ::GetFileVersionInfoSizeA(path.c_str(), &handle);
    if (size == 0) return LastError();
    block.assign(size, '\0');
    if (!::GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return LastError();
    return ERROR_SUCCESS;
  }

  std::optional<std::string> VerQueryValueA(std::string& block,
                                            const std::string& subBlock) override {
    void* value = nullptr;
    UINT length = 0;
    if (!::VerQueryValueA(block.data(), subBlock.c_str(), &value, &length) || value == nullptr) {
      return std::nullopt;
    }
    const char* bytes = static_cast<const char*>(value);
    // Texts come as a count of characters with their NUL, raw values as a count of bytes.
    if (subBlock.starts_with("\\StringFileInfo"))
      return std::string(bytes, ::strnlen(bytes, length));
    return std::string(bytes, length);
  }

  std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                       const std::optional<std::string>& key,
                                       const std::string& defaultText, std::size_t size,
                                       const std::string& path) override {
    std::vector<char> buffer(size);
    const DWORD count = ::GetPrivateProfileStringA(
        section ? section->c_str() : nullptr, key ? key->c_str() : nullptr, defaultText.c_str(),
        buffer.data(), static_cast<DWORD>(size), path.c_str());
    return std::string(buffer.data(), count);
  }

  ShellLinkAnswers ReadShellLink(const std::string& path) override {
    ShellLinkAnswers answers;
    // COM stays initialised for the rest of the run, as the program's one thread needs it.
    ::CoInitialize(nullptr);
    ComPtr<IShellLinkA> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.Receive())) ||
        FAILED(link->QueryInterface(IID_IPersistFile, file.Receive())) ||
        FAILED(file->Load(WideFromAnsi(path).c_str(), STGM_READ))) {
      return answers;
    }
    answers.loaded = true;
    WIN32_FIND_DATAA findData{};
    answers.path = ShellLinkText([&](char* text, int size) {
      return link->GetPath(text, size, &findData, SLGP_UNCPRIORITY);
    });
    if (!answers.path) return answers;
    answers.description =
        ShellLinkText([&](char* text, int size) { return link->GetDescription(text, size); });
    if (!answers.description) return answers;
    answers.workingDirectory =
        ShellLinkText([&](char* text, int size) { return link->GetWorkingDirectory(text, size); });
    if (!answers.workingDirectory) return answers;
    answers.arguments =
        ShellLinkText([&](char* text, int size) { return link->GetArguments(text, size); });
    return answers;
  }

  long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) override {
    HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return LastError();
    file = std::make_unique<Win32OutputFile>(handle);
    return ERROR_SUCCESS;
  }

  long CreateDirectoryA(const std::string& path) override {
    return ::CreateDirectoryA(path.c_str(), nullptr) ? ERROR_SUCCESS : LastError();
  }

 private:
  GetFileAttributesExCall attributesEx_;
};

}  // namespace

std::unique_ptr<FileSystem> NewWin32Files(Kernel32Calls calls) {
  return std::make_unique<Win32Files>(calls);
}

}  // namespace kdx
