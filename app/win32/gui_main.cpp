// KDXInfo.exe: the windowed program the customer double-clicks.
#include <windows.h>

#include "app/win32/main_window.h"
#include "platform/win32/win32_platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE /*previous*/, LPSTR /*commandLine*/,
                   int showCommand) {
  kdx::Win32Platform platform;
  kdx::win32::TForm1 form(instance, platform);
  return form.Run(showCommand);
}
