// Feeds arbitrary bytes to the PE and NE resource readers, both as a file and as a version block,
// with the queries the program makes: no input may crash them, make them read outside it or
// run away with time or memory.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/formats/message_table.h"
#include "platform/formats/pe_headers.h"
#include "platform/formats/pe_image.h"
#include "platform/formats/version_info.h"

namespace {

/// The program's queries: the translation, then three texts under its first entry's key.
void QueryAsTheProgram(std::string_view block) {
  const std::optional<std::string> translation =
      kdx::QueryVersionValue(block, "\\VarFileInfo\\Translation");
  kdx::QueryVersionValue(block, "\\");
  if (!translation || translation->size() < 4) return;
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>((*translation)[i]); };
  char key[16];
  std::snprintf(key, sizeof key, "%02X%02X%02X%02X", byte(1), byte(0), byte(3), byte(2));
  for (const char* name : {"ProductVersion", "FileVersion", "CompanyName"}) {
    kdx::QueryVersionValue(block, std::string("\\StringFileInfo\\") + key + "\\" + name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  kdx::FindPeResources(bytes, kdx::kResourceTypeVersion);
  kdx::FindPeResources(bytes, kdx::kResourceTypeMessageTable);
  if (const std::optional<std::string> block = kdx::VersionInfoBlock(bytes, 0x0407)) {
    QueryAsTheProgram(*block);
  }
  QueryAsTheProgram(bytes);
  // Event ids of any size: a few fixed ones and one taken from the input's end.
  const std::uint32_t tailId = size >= 4 ? kdx::ReadLe32(bytes, size - 4).value_or(0) : 0;
  for (const std::uint32_t id : {0x0u, 0x1u, 0x2u, 0x3E8u, 0xC0000064u, tailId}) {
    kdx::FindMessage(bytes, id, 0x0407);
  }
  return 0;
}
