#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

/// The texts IShellLinkA hands out for a shortcut file after IPersistFile::Load, each as its
/// call fills a 260-character buffer (Windows-1252, at most 259 characters). Once Load has
/// succeeded none of these calls fails: GetPath answers S_FALSE and an empty text when the
/// shortcut names no file-system target, the others S_OK and an empty text when the shortcut
/// lacks theirs.
struct ShellLinkTexts {
  std::string path;              ///< GetPath(..., SLGP_UNCPRIORITY)
  std::string description;       ///< GetDescription
  std::string workingDirectory;  ///< GetWorkingDirectory
  std::string arguments;         ///< GetArguments
};

/// Replaces each %NAME% in a Windows-1252 text by that variable's value, as
/// ExpandEnvironmentStrings does on the machine reading the shortcut (unknown names stay).
using EnvironmentExpander = std::function<std::string(const std::string&)>;

/// Reads a Shell Link (.lnk) file as IShellLinkA does. The target path is, in this order:
/// the EnvironmentVariableDataBlock's path, expanded, when the header announces it; the
/// LinkInfo's network share name and common path suffix when it has them (UNC priority);
/// the LinkInfo's local base path and common path suffix; the path that the LinkTargetIDList
/// spells (My Computer, a drive, then file-system items by their long names). Texts stored as
/// UTF-16 come out as Windows' A functions convert them (best fit, else '?'), 8-bit texts
/// byte for byte; a text ends at its first NUL and is cut to 259 characters.
///
/// Nothing when Load fails: fewer than 76 bytes, a header size other than 76, another class
/// id, or an ID list, LinkInfo or string that the file's end cuts short. Extra data blocks
/// after the strings are read as far as they are whole; damage there is ignored.
std::optional<ShellLinkTexts> ReadShellLink(std::string_view bytes,
                                            const EnvironmentExpander& expand);

}  // namespace kdx
