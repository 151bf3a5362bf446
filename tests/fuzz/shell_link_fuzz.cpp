// Feeds arbitrary bytes to the shortcut reader: it must answer or refuse without reading past
// the bytes (the sanitizers watch that), and every text must fit the 260-character buffer.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/formats/shell_link.h"

namespace {

std::string ExpandWindir(const std::string& text) {
  std::string expanded = text;
  const std::size_t at = expanded.find("%windir%");
  if (at != std::string::npos) expanded.replace(at, 8, "C:\\WINDOWS");
  return expanded;
}

void CheckFits(const std::string& text) {
  if (text.size() > 259) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto texts =
      kdx::ReadShellLink(std::string_view(reinterpret_cast<const char*>(data), size), ExpandWindir);
  if (texts) {
    CheckFits(texts->path);
    CheckFits(texts->description);
    CheckFits(texts->workingDirectory);
    CheckFits(texts->arguments);
  }
  return 0;
}
