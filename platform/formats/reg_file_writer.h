#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kdx {

/// The first line of a REGEDIT4 file, with its line end.
inline constexpr std::string_view kRegedit4Header = "REGEDIT4\r\n";

/// A key's line of a REGEDIT4 file ("[HKEY_...\\path]", no line end). Nothing for a path with
/// a line break, which REGEDIT4 cannot hold.
std::optional<std::string> RegKeyLine(std::string_view path);

/// A registry value as a line of a REGEDIT4 file (no line end) that ParseRegFile reads back
/// byte for byte: REG_SZ as text where it ends in its only NUL and holds no line break, a
/// four-byte REG_DWORD as dword:, anything else as hex bytes with its type. Nothing for a name
/// with a line break.
std::optional<std::string> RegValueLine(std::string_view name, std::uint32_t type,
                                        std::string_view data);

}  // namespace kdx
