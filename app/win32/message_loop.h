#pragma once

#include <functional>

namespace kdx::win32 {

/// The program's message loop with an idle event: the handler runs once the queue has
/// become empty, so the main window has been shown and painted by then.
class MessageLoop {
 public:
  /// Hooks a handler to the next idle moment; it is unhooked before it runs, so message
  /// processing inside it cannot start it a second time.
  void OnIdle(std::function<void()> handler) { idle_ = std::move(handler); }
  /// Runs until WM_QUIT; returns its exit code.
  int Run();
  /// Dispatches every pending message and returns. A WM_QUIT met here is posted again for
  /// Run to see.
  static void ProcessMessages();

 private:
  std::function<void()> idle_;
};

}  // namespace kdx::win32
