#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/win32/win32_platform.h"

namespace kdx {

namespace {

// FormatMessageA reads up to %99: an array this long keeps every placeholder inside it.
constexpr std::size_t kInsertLimit = 99;
// The size FORMAT_MESSAGE_ALLOCATE_BUFFER allocates at least.
constexpr DWORD kMinimumMessageSize = 1024;

long LastError() { return static_cast<long>(::GetLastError()); }

struct LocalFreeDeleter {
  void operator()(char* text) const { ::LocalFree(text); }
};

class Win32EventLog final : public EventLog {
 public:
  explicit Win32EventLog(HANDLE log) : log_(log) {}
  ~Win32EventLog() override { ::CloseEventLog(log_); }
  Win32EventLog(const Win32EventLog&) = delete;
  Win32EventLog& operator=(const Win32EventLog&) = delete;

  long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                     std::uint32_t& bytesNeeded) override {
    DWORD read = 0;
    DWORD needed = 0;
    if (!::ReadEventLogA(log_, EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer.data(),
                         static_cast<DWORD>(buffer.size()), &read, &needed)) {
      const long error = LastError();
      if (error == ERROR_INSUFFICIENT_BUFFER) bytesNeeded = needed;
      return error;
    }
    bytesRead = read;
    return ERROR_SUCCESS;
  }

 private:
  HANDLE log_;
};

/// The strings, then a stand-in "%k" for each placeholder k beyond them: the call reads a
/// pointer for every placeholder it meets, and one past the strings would be read from
/// whatever lies behind them.
std::vector<std::string> PaddedInserts(const std::vector<std::string>& strings) {
  std::vector<std::string> inserts(strings.begin(), strings.end());
  for (std::size_t k = inserts.size() + 1; k <= kInsertLimit; ++k) {
    inserts.push_back("%" + std::to_string(k));
  }
  return inserts;
}

class Win32MessageModule final : public MessageModule {
 public:
  explicit Win32MessageModule(HMODULE module) : module_(module) {}
  ~Win32MessageModule() override { ::FreeLibrary(module_); }
  Win32MessageModule(const Win32MessageModule&) = delete;
  Win32MessageModule& operator=(const Win32MessageModule&) = delete;

  long FormatMessageA(std::uint32_t messageId, const std::vector<std::string>& strings,
                      std::string& text) override {
    const std::vector<std::string> inserts = PaddedInserts(strings);
    std::vector<DWORD_PTR> arguments;
    arguments.reserve(inserts.size());
    for (const std::string& insert : inserts) {
      arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
    }
    char* message = nullptr;
    const DWORD length =
        ::FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
                             FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                         module_, messageId, 0, reinterpret_cast<char*>(&message),
                         kMinimumMessageSize, reinterpret_cast<va_list*>(arguments.data()));
    const std::unique_ptr<char, LocalFreeDeleter> owner(message);
    if (length == 0) return LastError();
    text.assign(message, length);
    return ERROR_SUCCESS;
  }

 private:
  HMODULE module_;
};

class Win32EventLogs final : public EventLogs {
 public:
  std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) override {
    HANDLE log = ::OpenEventLogA(nullptr, logName.c_str());
    if (log == nullptr) {
      error = LastError();
      return nullptr;
    }
    return std::make_unique<Win32EventLog>(log);
  }

  std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) override {
    HMODULE module = ::LoadLibraryExA(path.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (module == nullptr) {
      error = LastError();
      return nullptr;
    }
    return std::make_unique<Win32MessageModule>(module);
  }
};

}  // namespace

std::unique_ptr<EventLogs> NewWin32EventLogs() { return std::make_unique<Win32EventLogs>(); }

}  // namespace kdx
