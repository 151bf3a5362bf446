#pragma once

#include <windows.h>

namespace kdx::win32 {

/// Owns a kernel handle (file, token) and closes it once. INVALID_HANDLE_VALUE and null both
/// mean "nothing owned", because CreateFileA and OpenThreadToken use different failure values.
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(HANDLE handle) : handle_(handle) {}
  ~UniqueHandle() { Close(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = other.Release();
    }
    return *this;
  }

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Release() {
    HANDLE handle = handle_;
    handle_ = nullptr;
    return handle;
  }
  /// Closes the handle; returns false when the system refused (a lost write, say).
  bool Close() {
    if (!Valid()) return true;
    const BOOL closed = ::CloseHandle(Release());
    return closed != FALSE;
  }

 private:
  HANDLE handle_ = nullptr;
};

/// A function of a loaded DLL as a pointer of its own type; null when the DLL (or module) lacks
/// it. Calls that not every Windows has are looked up this way, so that the program still
/// starts where they are missing.
template <typename Function>
Function ProcAddress(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  // Through void (*)(), the one function pointer type GCC lets any other become silently.
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

}  // namespace kdx::win32
