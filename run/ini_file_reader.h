#pragma once

#include <string>

#include "platform/file_system.h"

namespace kdx {

/// One INI file read value by value through GetPrivateProfileStringA. Creating a reader does
/// not touch the file; a missing file reads as empty.
class IniFileReader {
 public:
  IniFileReader(FileSystem& files, std::string path) : files_(files), path_(std::move(path)) {}

  /// The value of key in section, "" when either is missing. The 2048-character buffer cuts a
  /// longer value to 2047 characters.
  std::string ReadString(const std::string& section, const std::string& key) const;

 private:
  FileSystem& files_;
  std::string path_;
};

}  // namespace kdx
