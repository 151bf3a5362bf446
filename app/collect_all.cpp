#include "app/collect_all.h"

#include "collectors/printing/file_inventory.h"
#include "collectors/printing/label_software.h"
#include "collectors/system/general_info.h"
#include "platform/registry.h"

namespace kdx {

namespace {

void CollectIniFilesAndTemp(RunContext& context) {
  context.AddReportRow("", "");
  context.LogStatus("INI-Dateien und Temp-Dir");
  DumpIniFile(context, context.windowsDir + "\\win.ini", "intl");
  context.AddReportRow("", "");
  context.AddReportRow("", "");
  context.AddReportRow("", "");
}

}  // namespace

void CollectAll(RunContext& context) {
  context.table.Reset();
  // The inline steps share one reader on HKEY_LOCAL_MACHINE; its open key carries over.
  TRegistry registry(context.platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  context.LogStatus("Allgemeine Informationen");
  if (!CollectGeneralInfo(context, registry)) return;
  context.LogStatus("Infos über Dexta Label Software Konfiguration");
  context.AddReportRow("", "");
  CollectLabelSoftware(context, registry);
  context.LogStatus("Datei-Infos (KDX und Druckertreiber)");
  CollectFileInventory(context, registry);
  CollectIniFilesAndTemp(context);
}

}  // namespace kdx
