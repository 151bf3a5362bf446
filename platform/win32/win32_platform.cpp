#include "platform/win32/win32_platform.h"

namespace kdx {

Win32Platform::Win32Platform(Kernel32Calls calls)
    : registry_(NewWin32Registry()),
      system_(NewWin32System()),
      files_(NewWin32Files(calls)),
      services_(NewWin32Services()),
      spooler_(NewWin32Spooler()),
      eventLogs_(NewWin32EventLogs()) {}

Win32Platform::~Win32Platform() = default;

}  // namespace kdx
