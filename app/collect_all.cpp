#include "app/collect_all.h"

#include "collectors/printing/file_inventory.h"
#include "collectors/printing/installed_printers.h"
#include "collectors/printing/label_software.h"
#include "collectors/printing/port_list.h"
#include "collectors/printing/program_paths.h"
#include "collectors/printing/usb_printer_ports.h"
#include "collectors/system/drives_and_memory.h"
#include "collectors/system/event_log_export.h"
#include "collectors/system/general_info.h"
#include "collectors/system/processes.h"
#include "collectors/system/temp_dir_check.h"
#include "platform/errors.h"
#include "platform/registry.h"

namespace kdx {

namespace {

void CollectMemoryAndDrives(RunContext& context) {
  context.AddReportRow("", "");
  CollectMemory(context);
  context.AddSectionHeading("Laufwerke");
  context.LogStatus("Laufwerke");
  CollectDrives(context);
}

void CollectRunningProcesses(RunContext& context) {
  context.LogStatus("Laufende Prozesse");
  context.ProcessMessages();
  context.AddReportRow("", "");
  CollectProcesses(context);
  context.AddReportRow("", "");
  context.AddReportRow("KdxPmMutex", CheckPmMutex(context));
}

void CollectIniFilesAndTemp(RunContext& context) {
  context.AddReportRow("", "");
  context.LogStatus("INI-Dateien und Temp-Dir");
  DumpIniFile(context, context.windowsDir + "\\win.ini", "intl");
  context.AddReportRow("", "");
  context.AddReportRow("", "");
  try {
    CheckTempDir(context);
  } catch (const KdxError& error) {
    context.AddReportRow("ERROR(CheckTMPDir)", error.what());
  }
  context.AddReportRow("", "");
}

/// The run's win.ini and system.ini readers, from the INI dump to the program paths and
/// released on every way out.
class IniReadersScope {
 public:
  explicit IniReadersScope(RunContext& context) : context_(context) {
    context.winIni.emplace(context.platform.Files(), context.windowsDir + "\\win.ini");
    context.systemIni.emplace(context.platform.Files(), context.windowsDir + "\\system.ini");
  }
  ~IniReadersScope() {
    context_.winIni.reset();
    context_.systemIni.reset();
  }
  IniReadersScope(const IniReadersScope&) = delete;
  IniReadersScope& operator=(const IniReadersScope&) = delete;

 private:
  RunContext& context_;
};

void CollectPrintersAndProgramPaths(RunContext& context, TRegistry& registry) {
  context.LogStatus("Installierte Drucker");
  CollectInstalledPrinters(context, registry);
  context.LogStatus("Programm-Pfade");
  CollectProgramPaths(context, registry);
}

/// The sections that share one registry reader on HKEY_LOCAL_MACHINE, whose open key carries
/// over from step to step. False when the Windows or system folder is unknown: the report
/// then ends after its heading.
bool CollectRegistrySections(RunContext& context) {
  TRegistry registry(context.platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  context.LogStatus("Allgemeine Informationen");
  if (!CollectGeneralInfo(context, registry)) return false;
  CollectMemoryAndDrives(context);
  CollectRunningProcesses(context);
  CollectUsbPrinterPorts(context);
  context.LogStatus("Infos über Dexta Label Software Konfiguration");
  context.AddReportRow("", "");
  CollectPortList(context);
  CollectLabelSoftware(context, registry);
  context.LogStatus("Datei-Infos (KDX und Druckertreiber)");
  CollectFileInventory(context, registry);
  const IniReadersScope iniReaders(context);
  CollectIniFilesAndTemp(context);
  CollectPrintersAndProgramPaths(context, registry);
  return true;
}

void ExportEventLogs(RunContext& context) {
  context.LogStatus("System Event Log");
  ExportEventLog(context, "System");
  context.LogStatus("Application Event Log");
  ExportEventLog(context, "Application");
}

}  // namespace

void CollectAll(RunContext& context) {
  context.table.Reset();
  // The event logs come after the shared reader is released.
  if (!CollectRegistrySections(context)) return;
  ExportEventLogs(context);
}

}  // namespace kdx
