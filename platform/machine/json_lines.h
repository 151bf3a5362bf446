#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kdx {

/// The 1-based line of a byte offset in text.
int LineOfOffset(std::string_view text, std::size_t offset);

/// The line where the member at path (object member names, array indices as decimal text)
/// starts in the JSON text; the line of the innermost part of the path that exists, 1 when
/// nothing matches. The text must be valid JSON.
int LineOfJsonMember(std::string_view text, const std::vector<std::string>& path);

}  // namespace kdx
