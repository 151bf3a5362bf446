#pragma once

#include "run/run_context.h"

namespace kdx {

/// "USB Drucker:" and, for every linked USB printer interface (the registry's last first),
/// the rows of its port and its device. A port that cannot be read ends the list with an
/// "ERROR" row naming the failure, before the closing empty row; the run goes on.
void CollectUsbPrinterPorts(RunContext& context);

}  // namespace kdx
