#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry_store.h"

namespace kdx {

/// A key named in full: its root and the path below it (names separated by single
/// backslashes; empty for the root itself).
struct RegKeyPath {
  RegKey root = 0;
  std::string_view path;
};

/// Receives the contents of a .reg file in file order.
class RegFileSink {
 public:
  virtual ~RegFileSink() = default;
  /// A key line; the values that follow belong to this key. Missing keys on the way are to
  /// be created.
  virtual void OnKey(const RegKeyPath& key) = 0;
  /// A value of the last key: its name (empty for the default value), type code and data,
  /// byte for byte as stored.
  virtual void OnValue(std::string_view name, std::uint32_t type, std::string_view data) = 0;
};

/// Splits "ROOT\path\below" into root and path. Nothing when the root is unknown or a name
/// on the path is empty (a doubled, leading or trailing backslash).
std::optional<RegKeyPath> SplitKeyPath(std::string_view fullPath);

/// The text of a .reg file in Windows-1252: a UTF-16LE file (BOM FF FE) and a UTF-8 file
/// (BOM EF BB BF) are converted, characters 1252 lacks becoming '?'; a file without BOM is
/// taken as 1252 bytes already, whichever header it has.
std::string RegFileText(std::string_view bytes);

/// Parses a .reg file (the bytes as read, any encoding RegFileText knows) and hands its keys
/// and values to sink in file order. The first line must be "REGEDIT4" or "Windows Registry
/// Editor Version 5.00"; lines end in CRLF or LF. A value line holds "name" or @, '=' and
/// one of: "text" (REG_SZ with its NUL; \\ and \" are escapes, any other backslash is
/// kept), dword:1 to 8 hex digits (REG_DWORD), hex:bytes (REG_BINARY) or hex(type):bytes
/// (any type code), where bytes are comma-separated hex pairs that may continue on the
/// next line after a trailing backslash. Deletions ([-key], "name"=-) are refused.
/// Throws FormatError(line, "expected ...") at the first fault; sink may have received the
/// items before it.
void ParseRegFile(std::string_view bytes, RegFileSink& sink);

}  // namespace kdx
