#pragma once
// GoogleTest's own hook for what a platform provides. The win32 thread variant of mingw-w64,
// which the Windows programs are built with, has no std::mutex or std::condition_variable,
// and GoogleTest's Notification is made of them; its mutexes and thread-local storage are its
// own Win32 ones. Notification serves only threads that GoogleTest starts to test itself, which
// these tests never do, so a flag the waiting thread polls is enough.
#include <atomic>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() const {
    while (!notified_.load()) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
