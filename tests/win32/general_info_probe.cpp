// Prints the run-wide folders and the platform family that the general information step
// settles on the running system, for the end-to-end test: the report does not show DriverDir.
#include <cstdio>
#include <optional>
#include <string>

#include "collectors/system/general_info.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"
#include "run/run_context.h"
#include "testkit/silent_front_end.h"

int main() {
  kdx::Win32Platform platform;
  kdx::test::SilentFrontEnd frontEnd;
  kdx::RunContext context(platform, frontEnd);
  kdx::TRegistry registry(platform.Registry());
  registry.SelectRoot(kdx::kHKeyLocalMachine);
  if (!kdx::CollectGeneralInfo(context, registry)) return 1;
  std::printf("WindowsDir=%s\nSystemDir=%s\nDriverDir=%s\nIsNT=%d\n", context.windowsDir.c_str(),
              context.systemDir.c_str(), context.driverDir.c_str(), context.isNT ? 1 : 0);
  return 0;
}
