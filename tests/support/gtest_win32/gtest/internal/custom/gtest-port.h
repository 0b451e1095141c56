#pragma once
// GoogleTest's own hook for platform adjustments, found before the installed one (-iquote) in
// the Windows build. The C++ library of the win32 thread model has no std::mutex and no
// std::condition_variable, which GoogleTest uses for one class only: the Notification that
// starts its own helper threads. Everything else of its thread safety on Windows is built on
// the system's critical sections and stays as it is.

#include <atomic>
#include <thread>

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

// Lets a controller thread hold newly created threads until it notifies them.
class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true); }
  void WaitForNotification() {
    while (!notified_.load()) std::this_thread::yield();
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace internal
}  // namespace testing
