// Feeds arbitrary bytes to the INI reader and asks it every list and value it holds at the
// program's buffer sizes and at tiny ones: no answer may outgrow its buffer, and no read may
// leave the file's bytes (the sanitizers watch that).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "platform/formats/ini_file.h"

namespace {

constexpr std::size_t kSizes[] = {16384, 2048, 7, 3, 2, 1, 0};

std::string Checked(const std::string& answer, std::size_t bufferSize) {
  if (bufferSize > 0 && answer.size() >= bufferSize) std::abort();
  if (bufferSize == 0 && !answer.empty()) std::abort();
  return answer;
}

// The names of a NUL-separated list, at most a few of them.
template <typename Visit>
void ForNames(const std::string& list, Visit&& visit) {
  int visited = 0;
  for (std::size_t at = 0; at < list.size() && visited < 8; ++visited) {
    const std::size_t end = list.find('\0', at);
    visit(list.substr(at, end == std::string::npos ? std::string::npos : end - at));
    if (end == std::string::npos) break;
    at = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const kdx::IniFile ini(std::string_view(reinterpret_cast<const char*>(data), size));
  for (const std::size_t bufferSize : kSizes) {
    Checked(ini.ProfileString(std::nullopt, std::nullopt, "", bufferSize), bufferSize);
  }
  ForNames(
      ini.ProfileString(std::nullopt, std::nullopt, "", 16384), [&](const std::string& section) {
        for (const std::size_t bufferSize : kSizes) {
          Checked(ini.ProfileString(section, std::nullopt, "'d' ", bufferSize), bufferSize);
        }
        ForNames(ini.ProfileString(section, std::nullopt, "", 16384), [&](const std::string& key) {
          for (const std::size_t bufferSize : kSizes) {
            Checked(ini.ProfileString(section, key, "\"d\"  ", bufferSize), bufferSize);
          }
        });
      });
  return 0;
}
