#pragma once

#include <cstddef>
#include <memory>
#include <string>

namespace kdx {

/// A file opened for reading bytes; closing happens on destruction.
class InputFile {
 public:
  virtual ~InputFile() = default;
  /// Reads up to size bytes; count receives how many (0 at the end). Returns the Win32 error
  /// code of a failed read.
  virtual long Read(char* buffer, std::size_t size, std::size_t& count) = 0;
};

/// A file opened for writing; the destructor closes it without reporting.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  /// Writes all bytes; a volume that takes only some of them gives kErrorDiskFull.
  virtual long Write(const char* data, std::size_t size) = 0;
  /// Flushes and closes; the error code when the system refuses the last bytes.
  virtual long Close() = 0;
};

/// Files and folders of the machine, and the report file.
///
/// Failure style: Win32 error codes. Every caller turns a failure into a text of its own (the
/// I/O error texts of the report and log files, "Verzeichnis nicht gefunden", the message of a
/// file that cannot be opened), so the area hands the code over and decides nothing.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  /// True when a file (not a folder) exists at path with a last-write time an MS-DOS date
  /// can hold (1980 to 2107).
  virtual bool FileExists(const std::string& path) = 0;
  /// Opens a file of the machine for reading, sharing reading and writing with others.
  virtual long OpenInputFile(const std::string& path, std::unique_ptr<InputFile>& file) = 0;
  /// Creates (or replaces) the report file at the path the user chose.
  virtual long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) = 0;
};

}  // namespace kdx
