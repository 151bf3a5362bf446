#include "app/win32/message_loop.h"

#include <windows.h>

#include <utility>

namespace kdx::win32 {

namespace {

/// Takes the next message off the queue and dispatches it; false when the queue was empty
/// or the message was WM_QUIT (left in msg).
bool DispatchNext(MSG& msg) {
  if (!::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (msg.message == WM_QUIT) return false;
  ::TranslateMessage(&msg);
  ::DispatchMessageA(&msg);
  return true;
}

}  // namespace

int MessageLoop::Run() {
  for (;;) {
    MSG msg{};
    while (DispatchNext(msg)) {
    }
    if (msg.message == WM_QUIT) return static_cast<int>(msg.wParam);
    if (idle_) {
      std::exchange(idle_, nullptr)();
      continue;
    }
    ::WaitMessage();
  }
}

void MessageLoop::ProcessMessages() {
  MSG msg{};
  while (DispatchNext(msg)) {
  }
  if (msg.message == WM_QUIT) ::PostQuitMessage(static_cast<int>(msg.wParam));
}

}  // namespace kdx::win32
