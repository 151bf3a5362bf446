#pragma once

#include <string>
#include <string_view>

namespace kdx {

/// Windows-1252 bytes to UTF-8 (for the terminal). Bytes 1252 leaves undefined map to the
/// C1 control of the same number, as Windows' own conversion does.
std::string Cp1252ToUtf8(std::string_view text);

/// UTF-8 to Windows-1252; a character 1252 cannot hold, or a malformed sequence, becomes '?'.
std::string Utf8ToCp1252(std::string_view text);

/// UTF-16LE code units (an even byte count; a trailing odd byte is ignored) to Windows-1252,
/// with '?' for what 1252 cannot hold: one for a surrogate pair, one for a lone surrogate.
std::string Utf16LeToCp1252(std::string_view bytes);

}  // namespace kdx
