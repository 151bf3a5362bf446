#include "run/ini_file_reader.h"

namespace kdx {

namespace {

constexpr std::size_t kValueBufferSize = 2048;

}  // namespace

std::string IniFileReader::ReadString(const std::string& section, const std::string& key) const {
  return files_.GetPrivateProfileStringA(section, key, "", kValueBufferSize, path_);
}

}  // namespace kdx
