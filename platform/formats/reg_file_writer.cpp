#include "platform/formats/reg_file_writer.h"

#include <cstdio>

#include "platform/registry_store.h"

namespace kdx {

namespace {

std::string RegText(std::string_view text) {
  std::string escaped;
  for (const char c : text) {
    if (c == '\\' || c == '"') escaped += '\\';
    escaped += c;
  }
  return escaped;
}

bool HoldsLineBreak(std::string_view name) { return name.find_first_of("\r\n") != name.npos; }

}  // namespace

std::optional<std::string> RegKeyLine(std::string_view path) {
  if (HoldsLineBreak(path)) return std::nullopt;
  return "[" + std::string(path) + "]";
}

std::optional<std::string> RegValueLine(std::string_view name, std::uint32_t type,
                                        std::string_view data) {
  if (HoldsLineBreak(name)) return std::nullopt;
  std::string line = name.empty() ? "@=" : "\"" + RegText(name) + "\"=";
  const bool plainText = type == kRegSz && !data.empty() && data.back() == '\0' &&
                         data.find_first_of(std::string_view("\0\r\n", 3)) == data.size() - 1;
  if (plainText) return line + "\"" + RegText(data.substr(0, data.size() - 1)) + "\"";
  char hex[16];
  if (type == kRegDword && data.size() == 4) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(data[i]);
    std::snprintf(hex, sizeof hex, "dword:%08x", value);
    return line + hex;
  }
  std::snprintf(hex, sizeof hex, "hex(%x):", type);
  line += type == kRegBinary ? "hex:" : hex;
  for (std::size_t i = 0; i < data.size(); ++i) {
    std::snprintf(hex, sizeof hex, "%s%02x", i ? "," : "", static_cast<std::uint8_t>(data[i]));
    line += hex;
  }
  return line;
}

}  // namespace kdx
