#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kdx {

/// The names of a Win32 name list, as REG_MULTI_SZ data and GetPrivateProfileStringA's lists
/// of sections and keys hold them: each name ends in a NUL, and the list ends at the first
/// empty name or at the end of the bytes.
std::vector<std::string> SplitNameList(std::string_view list);

}  // namespace kdx
