#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/formats/file_bytes.h"

namespace kdx {

/// The buffer GetFileVersionInfoA fills for a 16-bit (NE) file, as GetFileVersionInfoSizeA
/// sizes it: the version resource (type RT_VERSION, id 1, both marked as integers) found in
/// the NE resource table, of length L, sized (L - 52) * 4 as Windows 2000 to 2003 size it, its
/// first min(L, that size) bytes read from the file (as many as the file holds) and the rest
/// zeros (only the first 128 KiB are held: no query reads further). Nothing when the file is
/// no NE file, the table lacks the resource, L is 52 bytes or less (the size would be 0 or
/// wrap) or the buffer would take 2 GiB or more, which a 32-bit program cannot allocate.
std::optional<std::string> NeVersionInfoBuffer(const FileBytes& file);

/// VerQueryValueA on a 16-bit version block (VS_VERSION_INFO of 8-bit keys: length, value
/// length, key, value and children each aligned to 4 bytes). subBlock's parts (empty ones
/// skipped) each name the first child whose key equals it ignoring the case of ASCII letters;
/// a child of length 0 ends the search. The result is the node's value, as many bytes as its
/// value length says (zeros past the buffer's end); nothing when a part is not found.
std::optional<std::string> QuerySixteenBitValue(std::string_view buffer, std::string_view subBlock);

}  // namespace kdx
