#pragma once

#include <string_view>

namespace kdx {

/// The file-name part of a path: everything after its last backslash or colon.
std::string_view FileNamePart(std::string_view path);

/// The path part of a path: everything up to and including its last backslash or colon.
std::string_view FolderPart(std::string_view path);

}  // namespace kdx
