#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/error_codes.h"

namespace kdx {

/// An event log opened with OpenEventLogA; CloseEventLog happens on destruction.
class EventLog {
 public:
  virtual ~EventLog() = default;
  /// ReadEventLogA(EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, offset 0) into buffer:
  /// as many whole EVENTLOGRECORDs as fit, newest first, going on where the last call
  /// stopped. Returns kErrorSuccess with bytesRead set; kErrorHandleEof once every record has
  /// been read; kErrorInsufficientBuffer with bytesNeeded set when the next record does not
  /// fit an empty buffer (it stays next); or the code of another failed call. bytesRead and
  /// bytesNeeded are left alone where the call does not set them.
  virtual long ReadEventLogA(std::span<char> buffer, std::uint32_t& bytesRead,
                             std::uint32_t& bytesNeeded) = 0;
};

/// A message file loaded with LoadLibraryExA(DONT_RESOLVE_DLL_REFERENCES); FreeLibrary
/// happens on destruction.
class MessageModule {
 public:
  virtual ~MessageModule() = default;
  /// FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE |
  /// FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ARGUMENT_ARRAY, this module, messageId,
  /// language 0) with the insertion strings as the argument array: the module's message, or
  /// the system's where the module has none, with %1, %2, ... replaced. A placeholder beyond
  /// the strings never reads past them: it inserts its own text ("%3"), as an event with too
  /// few strings shows its gaps. Returns kErrorSuccess with text set exactly as the call gives
  /// it (line breaks included), or the error code (kErrorMrMidNotFound: no such message).
  virtual long FormatMessageA(std::uint32_t messageId, const std::vector<std::string>& strings,
                              std::string& text) = 0;
};

/// The event logs of the machine and the message files of their sources.
///
/// Failure style: Win32 error codes as the calls give them; no call raises. Every failure here
/// has a fixed, quiet consequence in the export (a log that does not open shows no records, a
/// read that fails ends the log, a message file that does not load or lacks the message shows
/// no message), so the area hands over the code and the export decides.
class EventLogs {
 public:
  virtual ~EventLogs() = default;

  /// OpenEventLogA of the local computer; null with error set on failure
  /// (kErrorCallNotImplemented on Windows 95 to ME, which keep no event logs).
  virtual std::unique_ptr<EventLog> OpenEventLogA(const std::string& logName, long& error) = 0;
  /// LoadLibraryExA(path, no file, DONT_RESOLVE_DLL_REFERENCES), for its message table only:
  /// the file's entry point does not run and its imports are not loaded. A path without a
  /// folder is looked up in the system folder, then the Windows folder. Null with error set
  /// on failure (kErrorModNotFound for a missing file or a list of files, kErrorBadExeFormat
  /// for a file that is no x86 PE32 image, which a 32-bit program cannot map).
  virtual std::unique_ptr<MessageModule> LoadLibraryExA(const std::string& path, long& error) = 0;
};

}  // namespace kdx
