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

/// Windows-1252 bytes to UTF-16 code units, as MultiByteToWideChar with the ANSI code page 1252
/// gives them; the five bytes 1252 leaves undefined become the C1 control of the same number.
std::u16string AnsiToUtf16(std::string_view text);

/// UTF-16 code units to Windows-1252 as Windows' A functions hand text out (WideCharToMultiByte
/// with the ANSI code page 1252 and no flags): a character 1252 holds becomes its byte, one of
/// the characters Windows' best-fit table knows becomes its stand-in (U+0100 'A', U+2212 '-',
/// U+FF21 'A'), any other becomes '?': one for a surrogate pair, one for a lone surrogate.
std::string Utf16ToAnsi(std::u16string_view text);

}  // namespace kdx
