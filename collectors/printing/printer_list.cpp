#include "collectors/printing/printer_list.h"

#include <algorithm>

#include "platform/system_error_text.h"

namespace kdx {

namespace {

constexpr std::uint32_t kNtLevel = 4;
constexpr std::uint32_t kWin9xLevel = 5;
constexpr char kPrinterOnPort[] = " an ";

std::vector<std::string> NtPrinterList(PrintSpooler& spooler, long& error) {
  std::vector<PrinterEntry> printers;
  std::vector<std::string> list;
  error = spooler.EnumPrintersA(kPrinterEnumLocal | kPrinterEnumConnections, kNtLevel, printers);
  if (error != kErrorSuccess) return list;
  for (const PrinterEntry& printer : printers) list.push_back(printer.printerName);
  return list;
}

std::vector<std::string> Win9xPrinterList(PrintSpooler& spooler, long& error) {
  std::vector<PrinterEntry> printers;
  std::vector<std::string> list;
  error = spooler.EnumPrintersA(kPrinterEnumLocal, kWin9xLevel, printers);
  if (error != kErrorSuccess) return list;
  for (const PrinterEntry& printer : printers) {
    for (const std::string& port : SplitPortList(printer.portName)) {
      list.push_back(printer.printerName + kPrinterOnPort + port);
    }
  }
  return list;
}

}  // namespace

std::string SpoolerFailureText(RunContext& context, long error, const char* call) {
  return "(" + std::to_string(error) + ": " +
         SystemErrorText(context.platform.System(), static_cast<std::uint32_t>(error)) + ") " +
         call;
}

std::vector<std::string> SplitPortList(std::string_view ports) {
  std::vector<std::string> list;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = ports.find(',', start);
    std::string_view port =
        ports.substr(start, comma == std::string_view::npos ? comma : comma - start);
    port.remove_prefix(std::min(port.find_first_not_of(' '), port.size()));
    list.emplace_back(port);
    if (comma == std::string_view::npos) return list;
    start = comma + 1;
  }
}

const std::vector<std::string>& PlatformPrinterList(RunContext& context) {
  if (!context.platformPrinters) {
    PrintSpooler& spooler = context.platform.Spooler();
    long& error = context.platformPrintersError;
    context.platformPrinters =
        context.isNT ? NtPrinterList(spooler, error) : Win9xPrinterList(spooler, error);
  }
  return *context.platformPrinters;
}

}  // namespace kdx
