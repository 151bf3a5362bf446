#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/formats/file_bytes.h"

namespace kdx {

/// The text of message messageId in the message table of a PE image (the file's bytes), as
/// FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE, module, messageId, language 0) takes it before
/// it formats inserts and escapes (%1, %n, %%, ...). Only the table with resource id 1 counts,
/// and of it one language, picked before the message is looked up: neutral (0x0000), then
/// userLanguage, its primary language with the neutral sublanguage, English (US) 0x0409, and
/// last the first language listed (see FindPeResource). A message missing from that language
/// is missing, even when another language has it. In the table, the first block whose id
/// range holds messageId is searched, stepping over the entries before it by their lengths.
/// An entry with flag bit 0 set holds UTF-16, converted to Windows-1252 one unit to one byte
/// with '?' for what 1252 lacks (Windows best-fits some, as U+0100 to 'A'); any other holds
/// bytes taken as they are. The text runs to its
/// first NUL, or to the end of the table's data when it has none.
/// Nothing when the image is no x86 PE32 image (the only kind the 32-bit program can load, see
/// IsX86Image), has no such table, or the table does not hold the id within its data (where
/// Windows reads on through memory).
std::optional<std::string> FindMessage(const FileBytes& image, std::uint32_t messageId,
                                       std::uint16_t userLanguage);

}  // namespace kdx
