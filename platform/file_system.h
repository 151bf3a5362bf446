#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kdx {

/// File attribute bits.
inline constexpr std::uint32_t kFileAttributeReadOnly = 0x1;
inline constexpr std::uint32_t kFileAttributeHidden = 0x2;
inline constexpr std::uint32_t kFileAttributeSystem = 0x4;
inline constexpr std::uint32_t kFileAttributeDirectory = 0x10;
inline constexpr std::uint32_t kFileAttributeArchive = 0x20;
inline constexpr std::uint32_t kFileAttributeNormal = 0x80;
inline constexpr std::uint32_t kFileAttributeTemporary = 0x100;
inline constexpr std::uint32_t kFileAttributeReparsePoint = 0x400;
inline constexpr std::uint32_t kFileAttributeCompressed = 0x800;

/// What GetFileInformationByHandle tells about an open file.
struct FileInformation {
  std::uint32_t attributes = 0;
  std::uint64_t lastWriteTime = 0;  ///< 100 ns since 1601, UTC
  std::uint64_t size = 0;
};

/// A folder entry as FindFirstFileA and FindNextFileA return it.
struct FolderEntryData {
  std::string name;
  std::uint32_t attributes = 0;
  std::uint64_t lastWriteTime = 0;  ///< 100 ns since 1601, UTC
  std::uint64_t size = 0;
};

/// What IShellLinkA tells about a shortcut file, call by call in the order the program asks;
/// each text is nothing when its call failed.
struct ShellLinkAnswers {
  bool loaded = false;              ///< the link object was made and the file loaded into it
  std::optional<std::string> path;  ///< GetPath, 260 characters, SLGP_UNCPRIORITY
  std::optional<std::string> description;
  std::optional<std::string> workingDirectory;
  std::optional<std::string> arguments;
};

/// A file opened for reading bytes; closing happens on destruction.
class InputFile {
 public:
  virtual ~InputFile() = default;
  /// Reads up to size bytes; count receives how many (0 at the end). Returns the Win32 error
  /// code of a failed read.
  virtual long Read(char* buffer, std::size_t size, std::size_t& count) = 0;
  /// Moves to an absolute byte offset (SetFilePointer from the start).
  virtual long Seek(std::uint64_t offset) = 0;
  /// Attributes, last-write time and size of the open file.
  virtual long GetInformation(FileInformation& information) = 0;
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
  /// GetFullPathNameA: the path made absolute as the system makes it ("/" as "\", "." and
  /// ".." resolved, never above the drive's root, consecutive separators as one), without
  /// looking whether it exists.
  virtual long GetFullPathNameA(const std::string& path, std::string& fullPath) = 0;
  /// GetFileAttributesA: the attributes of a file or folder.
  virtual long GetFileAttributesA(const std::string& path, std::uint32_t& attributes) = 0;
  /// The entries FindFirstFileA and FindNextFileA give for folder + "\*.*", "." and ".."
  /// included where the system has them, in the order the file system hands them out. An
  /// empty drive root (which lists no "." and "..", so the search finds nothing) is an empty
  /// folder, not a failure.
  virtual long ListFolder(const std::string& folder, std::vector<FolderEntryData>& entries) = 0;
  /// GetFileVersionInfoSizeA and GetFileVersionInfoA: the file's version resource block;
  /// an error when the file has none.
  virtual long GetFileVersionInfoA(const std::string& path, std::string& block) = 0;
  /// VerQueryValueA on a block from GetFileVersionInfoA (which the call may use as its scratch
  /// room): the value's bytes, a text without its NUL; nothing when the query fails.
  virtual std::optional<std::string> VerQueryValueA(std::string& block,
                                                    const std::string& subBlock) = 0;
  /// GetPrivateProfileStringA into a buffer of size characters: what the call leaves in the
  /// buffer, up to the count it returns (for a list, the names each ending in a NUL).
  /// Nothing for section or key asks for the list of sections or of the section's keys.
  virtual std::string GetPrivateProfileStringA(const std::optional<std::string>& section,
                                               const std::optional<std::string>& key,
                                               const std::string& defaultText, std::size_t size,
                                               const std::string& path) = 0;
  /// Loads a shortcut file into a shell link object and asks it for its texts, stopping at
  /// the first call that fails.
  virtual ShellLinkAnswers ReadShellLink(const std::string& path) = 0;
  /// Creates (or replaces) the report file at the path the user chose.
  virtual long CreateOutputFile(const std::string& path, std::unique_ptr<OutputFile>& file) = 0;
  /// CreateDirectoryA: makes a folder for files the user chose to have written there (a
  /// capture's); kErrorAlreadyExists when the path names a file or folder already.
  virtual long CreateDirectoryA(const std::string& path) = 0;
};

}  // namespace kdx
