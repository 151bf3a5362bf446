#pragma once

#include <stdexcept>
#include <string>

namespace kdx {

/// Base of every failure the program raises; what() is the message shown to the user.
class KdxError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

/// A registry value that cannot be fetched or does not fit the operation.
class ERegistryException : public KdxError {
 public:
  using KdxError::KdxError;
};

/// A failure of report or log file I/O, identified by its I/O error code.
class EInOutError : public KdxError {
 public:
  explicit EInOutError(int code);
  int Code() const { return code_; }

 private:
  int code_;
};

/// A file that cannot be opened for reading; the message names the file and the system's
/// reason.
class EFOpenError : public KdxError {
 public:
  using KdxError::KdxError;
};

/// A value that does not fit the buffer it must be read into.
class ERangeError : public KdxError {
 public:
  ERangeError();
};

/// I/O error codes of the program's own; below 100 an I/O error code is the Win32 error code
/// of the failed call.
inline constexpr int kIoReadPastEnd = 100;
inline constexpr int kIoDiskFull = 101;
inline constexpr int kIoInvalidNumericInput = 106;

/// The text of an I/O error code ("Datei nicht gefunden", "E/A-Fehler 32", ...).
std::string IoErrorText(int code);

/// The I/O error code for a Win32 error code of a file call: the Win32 code itself, except
/// that the disk-full codes become 101 and the malformed-name codes 3 ("Ungültiger
/// Dateiname"), whose texts say what the user must fix.
int IoCodeForWin32Error(long win32Error);

/// Raises the EInOutError of a failed file call's Win32 error code; nothing for success.
void CheckFileCall(long win32Error);

/// The message of an error as the program shows it: a "." is appended unless the last
/// character is a full stop or something below it (blank, punctuation, control).
std::string MessageForDisplay(const std::string& message);

}  // namespace kdx
