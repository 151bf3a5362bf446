// Prints the run-wide folders and the platform family that the general information step
// settles on the running system, for the end-to-end test: the report does not show DriverDir.
#include <cstdio>
#include <optional>
#include <string>

#include "app/core/run_context.h"
#include "collectors/system/general_info.h"
#include "platform/front_end.h"
#include "platform/registry.h"
#include "platform/win32/win32_platform.h"

namespace {

class SilentFrontEnd final : public kdx::FrontEnd {
 public:
  void ShowInstructions() override {}
  void ShowStatus(const std::string&) override {}
  void ProcessMessages() override {}
  bool Terminated() const override { return false; }
  std::optional<std::string> AskSavePath(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void ShowError(const std::string&) override {}
};

}  // namespace

int main() {
  kdx::Win32Platform platform;
  SilentFrontEnd frontEnd;
  kdx::RunContext context(platform, frontEnd);
  kdx::TRegistry registry(platform);
  registry.SelectRoot(kdx::kHKeyLocalMachine);
  if (!kdx::CollectGeneralInfo(context, registry)) return 1;
  std::printf("WindowsDir=%s\nSystemDir=%s\nDriverDir=%s\nIsNT=%d\n", context.windowsDir.c_str(),
              context.systemDir.c_str(), context.driverDir.c_str(), context.isNT ? 1 : 0);
  return 0;
}
