#include "app/collect_all.h"

#include "collectors/printing/file_inventory.h"
#include "collectors/printing/label_software.h"
#include "collectors/printing/port_list.h"
#include "collectors/printing/usb_printer_ports.h"
#include "collectors/system/drives_and_memory.h"
#include "collectors/system/event_log_export.h"
#include "collectors/system/general_info.h"
#include "collectors/system/processes.h"
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
  context.AddReportRow("", "");
}

/// The steps that share one registry reader; false when the folders are missing and the
/// collection ends early.
bool CollectWithSharedRegistry(RunContext& context) {
  // The inline steps share one reader on HKEY_LOCAL_MACHINE; its open key carries over.
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
  CollectIniFilesAndTemp(context);
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
  if (!CollectWithSharedRegistry(context)) return;
  ExportEventLogs(context);
}

}  // namespace kdx
