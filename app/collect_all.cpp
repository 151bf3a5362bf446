#include "app/collect_all.h"

#include "collectors/system/general_info.h"
#include "platform/registry.h"

namespace kdx {

void CollectAll(RunContext& context) {
  context.table.Reset();
  // The inline steps share one reader on HKEY_LOCAL_MACHINE; its open key carries over.
  TRegistry registry(context.platform.Registry());
  registry.SelectRoot(kHKeyLocalMachine);
  context.LogStatus("Allgemeine Informationen");
  if (!CollectGeneralInfo(context, registry)) return;
}

}  // namespace kdx
