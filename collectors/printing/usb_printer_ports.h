#pragma once

#include "run/run_context.h"

namespace kdx {

/// "USB Drucker:" and, for every linked USB printer interface (the registry's last first),
/// the rows of its port and its device. A registry failure ends the list after its closing
/// empty row and goes on to the caller.
void CollectUsbPrinterPorts(RunContext& context);

}  // namespace kdx
