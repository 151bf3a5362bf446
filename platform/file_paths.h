#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kdx {

/// The file-name part of a path: everything after its last backslash or colon.
std::string_view FileNamePart(std::string_view path);

/// The path part of a path: everything up to and including its last backslash or colon.
std::string_view FolderPart(std::string_view path);

/// A path made absolute as GetFullPathNameA makes it, without looking at any file: a relative
/// path is taken from currentDirectory (an absolute folder such as "C:\"), a rooted one
/// ("\x") and one of another drive ("D:x") from their drive's root; "/" counts as "\",
/// consecutive separators as one, "." parts go, ".." parts take the part before them but
/// never the root ("C:\" or "\\server\share\"), and a name loses one trailing dot before a
/// separator, the last name all its trailing dots and blanks. Nothing for an empty path,
/// which the call refuses.
std::optional<std::string> FullPathName(std::string_view path, std::string_view currentDirectory);

}  // namespace kdx
