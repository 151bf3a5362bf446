#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/machine/machine_config.h"

namespace kdx {

/// Why the capture keeps a file of the machine: only its facts (listed, opened without
/// reading, its version resource asked for), or its bytes.
enum class FileUse { Listed, Described, Copied };

/// A file or folder the run asked about, by the path it used.
struct CapturedFile {
  std::string path;  ///< as the run spelt it, or as its folder's listing names it
  bool folder = false;
  FileUse use = FileUse::Listed;
  std::optional<std::uint32_t> attributes;
  std::optional<std::uint64_t> lastWriteTime;  ///< 100 ns since 1601, UTC
  std::optional<std::uint64_t> size;
  long openError = 0;                       ///< 5 or 32: every open fails so
  std::optional<std::string> versionBlock;  ///< as GetFileVersionInfoA gave it
};

/// A registry key the run opened.
struct CapturedKey {
  std::string path;  ///< "HKEY_LOCAL_MACHINE\\SOFTWARE\\..."
  bool subkeysListed = false;
};

/// Everything the run asked the machine and what it answered. Texts are Windows-1252.
struct CaptureRecord {
  /// What machine.json states: the system facts, drives, services, processes and spooler as
  /// the run saw them, filled call by call. Its files are the capture's to state at the end.
  MachineConfig machine;
  /// The keys the run opened, by upper-cased full path.
  std::map<std::string, CapturedKey> keys;
  std::set<std::string> unopenedKeys;  ///< upper-cased full paths whose open failed
  /// The files and folders, by CaptureFileKeyOf, and the INI files' names the run read
  /// profiles of.
  std::map<std::string, CapturedFile> files;
  std::set<std::string> iniFileNames;
  /// Each event log's records as ReadEventLogA gave them, newest first.
  std::map<std::string, std::vector<std::string>> eventRecords;
  std::set<std::string> messageFiles;  ///< as LoadLibraryExA was asked
};

/// The key of a file path: upper case, "\\" between its parts, "." and ".." resolved.
std::string CaptureFileKeyOf(const std::string& path);

}  // namespace kdx
