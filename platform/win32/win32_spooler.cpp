#include <windows.h>
// After windows.h, which it needs.
#include <winspool.h>

#include <vector>

#include "platform/win32/win32_platform.h"

namespace kdx {

namespace {

constexpr DWORD kPortInfoLevel = 2;
constexpr DWORD kPrinterInfoLevelNames = 4;
constexpr DWORD kPrinterInfoLevelPorts = 5;

long LastError() { return static_cast<long>(::GetLastError()); }

std::string TextOf(const char* text) { return text != nullptr ? text : ""; }

/// DWORD storage for byteCount bytes: the records the spooler writes hold pointers and
/// must be aligned.
std::vector<DWORD> RecordBuffer(DWORD byteCount) {
  return std::vector<DWORD>((byteCount + sizeof(DWORD) - 1) / sizeof(DWORD) + 1);
}

PrinterEntry PrinterOf(const DWORD* buffer, DWORD level, DWORD index) {
  if (level == kPrinterInfoLevelNames) {
    const auto* records = reinterpret_cast<const PRINTER_INFO_4A*>(buffer);
    return PrinterEntry{TextOf(records[index].pPrinterName), ""};
  }
  const auto* records = reinterpret_cast<const PRINTER_INFO_5A*>(buffer);
  return PrinterEntry{TextOf(records[index].pPrinterName), TextOf(records[index].pPortName)};
}

class Win32Spooler final : public PrintSpooler {
 public:
  long EnumPortsA(std::uint32_t bufferSize, std::uint32_t& needed,
                  std::vector<PortInfo2>& ports) override {
    std::vector<DWORD> buffer = RecordBuffer(bufferSize);
    DWORD neededBytes = 0;
    DWORD returned = 0;
    const BOOL done = ::EnumPortsA(
        nullptr, kPortInfoLevel, bufferSize == 0 ? nullptr : reinterpret_cast<BYTE*>(buffer.data()),
        bufferSize, &neededBytes, &returned);
    needed = neededBytes;
    if (!done) return LastError();
    const auto* records = reinterpret_cast<const PORT_INFO_2A*>(buffer.data());
    ports.clear();
    for (DWORD i = 0; i < returned; ++i) {
      ports.push_back({TextOf(records[i].pPortName), TextOf(records[i].pMonitorName),
                       TextOf(records[i].pDescription)});
    }
    return ERROR_SUCCESS;
  }

  long EnumPrintersA(std::uint32_t flags, std::uint32_t level,
                     std::vector<PrinterEntry>& printers) override {
    if (level != kPrinterInfoLevelNames && level != kPrinterInfoLevelPorts) {
      return ERROR_INVALID_LEVEL;
    }
    printers.clear();
    DWORD offered = 0;
    DWORD needed = 0;
    DWORD returned = 0;
    std::vector<DWORD> buffer;
    // The size query, then the list; a printer added in between asks for a larger buffer.
    while (!::EnumPrintersA(flags, nullptr, level,
                            buffer.empty() ? nullptr : reinterpret_cast<BYTE*>(buffer.data()),
                            offered, &needed, &returned)) {
      const long error = LastError();
      if (error != ERROR_INSUFFICIENT_BUFFER || needed <= offered) return error;
      buffer = RecordBuffer(needed);
      offered = needed;
    }
    for (DWORD i = 0; i < returned; ++i) printers.push_back(PrinterOf(buffer.data(), level, i));
    return ERROR_SUCCESS;
  }
};

}  // namespace

std::unique_ptr<PrintSpooler> NewWin32Spooler() { return std::make_unique<Win32Spooler>(); }

}  // namespace kdx
