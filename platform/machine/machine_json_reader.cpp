#include "platform/machine/machine_json_reader.h"

#include <charconv>

#include "platform/machine/json_lines.h"
#include "platform/machine/machine_error.h"
#include "platform/text_encoding.h"

namespace kdx::machine_json {

namespace {

using nlohmann::json;

std::string JoinPath(const Path& path) {
  std::string joined;
  for (const auto& part : path) joined += joined.empty() ? part : "." + part;
  return joined.empty() ? "(top level)" : joined;
}

}  // namespace

Path Child(const Path& path, const std::string& name) {
  Path child = path;
  child.push_back(name);
  return child;
}

void Reader::Fail(const Path& path, const std::string& expected) const {
  throw MachineError(file_, LineOfJsonMember(text_, path),
                     JoinPath(path) + ": expected " + expected);
}

void Reader::CheckMembers(const json& object, const Path& path,
                          std::span<const char* const> known) const {
  if (!object.is_object()) Fail(path, "an object");
  for (const auto& [name, value] : object.items()) {
    bool found = false;
    for (const char* k : known) found = found || name == k;
    if (!found) Fail(Child(path, name), "one of the known members (this one is unknown)");
  }
}

std::string Reader::Text(const json& value, const Path& path) const {
  if (!value.is_string()) Fail(path, "a text");
  return Utf8ToCp1252(value.get<std::string>());
}

std::uint32_t Reader::Unsigned(const json& value, const Path& path, std::uint64_t max) const {
  return static_cast<std::uint32_t>(
      Unsigned64(value, path, std::min<std::uint64_t>(max, 0xFFFFFFFF)));
}

std::uint64_t Reader::Unsigned64(const json& value, const Path& path, std::uint64_t max) const {
  if (value.is_number_unsigned() && value.get<std::uint64_t>() <= max) {
    return value.get<std::uint64_t>();
  }
  if (value.is_string()) {
    // Masks and codes read better in hexadecimal: "0x20009".
    const std::string s = value.get<std::string>();
    std::uint64_t parsed = 0;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
      const auto [end, ec] = std::from_chars(s.data() + 2, s.data() + s.size(), parsed, 16);
      if (ec == std::errc() && end == s.data() + s.size() && parsed <= max) return parsed;
    }
  }
  Fail(path, "a whole number from 0 to " + std::to_string(max));
}

bool Reader::Flag(const json& value, const Path& path) const {
  if (!value.is_boolean()) Fail(path, "true or false");
  return value.get<bool>();
}

std::vector<std::uint32_t> Reader::Masks(const json& value, const Path& path) const {
  if (!value.is_array()) Fail(path, "a list of access masks such as \"0x20009\"");
  std::vector<std::uint32_t> masks;
  for (std::size_t i = 0; i < value.size(); ++i) {
    masks.push_back(Unsigned(value[i], Child(path, std::to_string(i))));
  }
  return masks;
}

}  // namespace kdx::machine_json
