#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/formats/file_bytes.h"

namespace kdx {

/// The data of resource (type, id) as the version functions read it from the file itself when
/// the loader finds none (for an image the loader refuses, such as one of another machine or
/// one whose later sections are cut off). The resource directory is read from the section whose
/// raw data holds its address, zero-filled to the section's virtual size, and needs a non-zero
/// size in the data directory. Type and id are looked up by binary search; languages in this
/// order: neutral (0x0000), userLanguage, its primary language with the neutral and with the
/// default sublanguage, English (US) 0x0409, then the first entry. The data comes from the
/// file through the section whose raw data holds its address, zero-filled where the file ends.
/// Nothing when the file is no PE32 or PE32+ image or one of these steps fails.
std::optional<std::string> FindPeResourceInFile(const FileBytes& file, std::uint16_t type,
                                                std::uint16_t id, std::uint16_t userLanguage);

}  // namespace kdx
