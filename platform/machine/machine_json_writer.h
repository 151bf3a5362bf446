#pragma once

#include <string>
#include <string_view>

#include "platform/machine/machine_config.h"

namespace kdx {

/// machine.json stating config: what ParseMachineJson reads back as config, member for member
/// (the system messages it adds to those stated aside). Texts go out as UTF-8.
std::string MachineJsonText(const MachineConfig& config);

/// Bytes as pairs of lower-case hexadecimal digits, as machine.json's "versionInfo" holds them.
std::string HexText(std::string_view bytes);

}  // namespace kdx
