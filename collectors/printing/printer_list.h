#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/run_context.h"

namespace kdx {

/// The spooler's printers as the report lists them, asked for on first use and kept for the
/// rest of the run: on NT each local or connected printer's name; on Windows 95 to ME one
/// "<printer> an <port>" per port of each local printer. Empty when the spooler lists none
/// or cannot list them; RunContext::platformPrintersError then tells the spooler's error.
const std::vector<std::string>& PlatformPrinterList(RunContext& context);

/// A spooler call's failure as the report's error rows name it: "(1722: <system text>) call".
std::string SpoolerFailureText(RunContext& context, long error, const char* call);

/// The ports of a printer's port text (PRINTER_INFO_5): split at each comma, the blanks
/// before each port skipped; "COM1:, LPT1:" gives "COM1:" and "LPT1:".
std::vector<std::string> SplitPortList(std::string_view ports);

}  // namespace kdx
