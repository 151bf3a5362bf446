#include "report/consistency_checks.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "platform/errors.h"
#include "platform/registry.h"

namespace kdx {

namespace {

constexpr char kInstalledPrintersKey[] =
    "\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\Installed Printers";
constexpr char kLabelTypesKey[] = "\\SOFTWARE\\Kelmo Instruments\\Dexta Label Printer\\Label Types";
constexpr char kPrintersKey[] = "\\System\\CurrentControlSet\\control\\Print\\Printers";
constexpr char kMonitorServiceKey[] = "\\System\\CurrentControlSet\\Services\\KDXMONX";

constexpr std::array<const char*, 8> kCountryCodes = {"DEU", "ENU", "ESP", "FRA",
                                                      "ITA", "NLD", "CNY", "PTB"};
constexpr std::int32_t kAutomaticStart = 2;

constexpr char kWrongPortType[] = "Falscher Datentyp für HKLM\\";
constexpr char kWrongCountryCode[] = "Falscher Ländercode für Label Types: ";
constexpr char kEmptyDevMode[] = "Leerer Default Devmode für: ";
constexpr char kMonitorNotStarted[] = "KDXMONX ist nicht gestartet";
constexpr char kMonitorKeyMissing[] = "Registry Key KDXMONX konnte nicht geöffnet werden";
constexpr char kWrongStartType[] = "Falsche Startart für KDXMONX";
constexpr char kStartUnreadable[] = "Startart von KDXMONX nicht lesbar: ";
constexpr char kStartValue[] = "Start";
constexpr char kSpoolerNotStarted[] = "Spooler ist nicht gestartet";

/// The subkey names of an HKEY_LOCAL_MACHINE key; none when it does not open. registry is
/// left with that key open.
std::vector<std::string> SubkeysOf(TRegistry& registry, const char* path) {
  std::vector<std::string> names;
  registry.SelectRoot(kHKeyLocalMachine);
  if (registry.OpenRead(path)) registry.SubkeyNames(names);
  return names;
}

/// The start type line of the open service key. A "Start" that is missing or no number ends the
/// report; one that is a number when asked again after its read failed was changed by another
/// program meanwhile, and gives a line naming the failure instead.
void CheckStartType(TRegistry& registry, ReportWriter& writer) {
  try {
    if (registry.ReadDword(kStartValue) != kAutomaticStart) writer.WriteReportLine(kWrongStartType);
  } catch (const ERegistryException& error) {
    if (!registry.HoldsDword(kStartValue)) throw;
    writer.WriteReportLine(kStartUnreadable + std::string(error.what()));
  }
}

}  // namespace

void CheckPrinterPortTypes(RunContext& context, ReportWriter& writer) {
  TRegistry registry(context.platform.Registry());
  for (const std::string& name : SubkeysOf(registry, kInstalledPrintersKey)) {
    // A subkey that does not open leaves the list key open, and its path is the one named.
    registry.OpenRead(name);
    if (registry.HasValue("Port") && registry.KindOf("Port") != ValueKind::String) {
      writer.WriteReportLine(kWrongPortType + registry.OpenPath() + "\\Port");
    }
    registry.OpenRead(kInstalledPrintersKey);
  }
}

void CheckLabelTypeCountryCodes(RunContext& context, ReportWriter& writer) {
  TRegistry registry(context.platform.Registry());
  for (const std::string& name : SubkeysOf(registry, kLabelTypesKey)) {
    const bool accepted =
        std::find(kCountryCodes.begin(), kCountryCodes.end(), name) != kCountryCodes.end();
    if (!accepted) writer.WriteReportLine(kWrongCountryCode + name);
  }
}

void CheckDefaultDevModes(RunContext& context, ReportWriter& writer) {
  TRegistry registry(context.platform.Registry());
  for (const std::string& name : SubkeysOf(registry, kPrintersKey)) {
    // A reader of its own for each printer keeps the printers key open for the next one; a
    // printer key that does not open leaves the value to be looked for in the printers key,
    // as a failed open below it always has.
    TRegistry printer(context.platform.Registry());
    printer.SelectRoot(kHKeyLocalMachine);
    TRegistry& values =
        printer.OpenRead(std::string(kPrintersKey) + "\\" + name) ? printer : registry;
    if (values.ValueSize("Default DevMode") == 0) writer.WriteReportLine(kEmptyDevMode + name);
  }
}

void CheckMonitorServiceStart(RunContext& context, ReportWriter& writer) {
  if (!context.isNT) return;
  if (!context.monitorRunning) writer.WriteReportLine(kMonitorNotStarted);
  TRegistry registry(context.platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  if (!registry.OpenRead(kMonitorServiceKey)) {
    writer.WriteReportLine(kMonitorKeyMissing);
  } else {
    CheckStartType(registry, writer);
  }
  if (!context.spoolerRunning) writer.WriteReportLine(kSpoolerNotStarted);
}

void WriteConsistencyChecks(RunContext& context, ReportWriter& writer) {
  CheckPrinterPortTypes(context, writer);
  CheckLabelTypeCountryCodes(context, writer);
  if (context.isNT) CheckDefaultDevModes(context, writer);
  CheckMonitorServiceStart(context, writer);
}

}  // namespace kdx
