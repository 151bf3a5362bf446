#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/formats/file_bytes.h"

namespace kdx {

/// The version resource (type 16, id 1) of a file as GetFileVersionInfoA copies it: the
/// resource's data bytes, found as FindPeResource finds them for userLanguage, or else, when
/// the loader finds none, as FindPeResourceInFile reads them; for such a block
/// GetFileVersionInfoSizeA gives twice the block's size plus 4, also for an empty block. Of a
/// 16-bit (NE) file, the whole buffer as NeVersionInfoBuffer fills it. Nothing when none is
/// found (GetFileVersionInfoSizeA gives 0).
std::optional<std::string> VersionInfoBlock(const FileBytes& image, std::uint16_t userLanguage);

/// VerQueryValueA on a block from VersionInfoBlock, copied by GetFileVersionInfoA into a
/// zero-filled buffer of the size GetFileVersionInfoSizeA gave. subBlock is a path such as
/// "\VarFileInfo\Translation" or "\StringFileInfo\040704E4\CompanyName"; empty parts between
/// backslashes are skipped. Each part names the first child whose key is equal ignoring the
/// case of the letters A to Z only. The result is what the caller reads at the returned
/// pointer:
/// - a binary value (type 0): its value bytes, as many as the value length says;
/// - a text value: the value converted to Windows-1252 (one byte per UTF-16 unit, '?' for what
///   1252 lacks, where Windows best-fits some, as U+0100 to 'A') up to its first NUL.
///   VerQueryValueA converts the value length's count of units into the buffer's second half and
///   the caller reads on to the first NUL there, so a value without NUL ends where the conversion
///   ends, an empty value (length 0) gives "", and a value length counted in bytes stops at the
///   value's own NUL.
/// A 16-bit block (its fifth byte, the root key's first, a printable ASCII character) is read as
/// QuerySixteenBitValue reads it, a "\StringFileInfo" text up to its first NUL. Nothing when a
/// part is not found or the block is too short.
std::optional<std::string> QueryVersionValue(std::string_view block, std::string_view subBlock);

}  // namespace kdx
