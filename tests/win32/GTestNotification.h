#pragma once
// GoogleTest's Notification wants std::mutex, which libstdc++ lacks under MinGW's win32
// thread model. This stand-in is force-included into every GoogleTest compile; it only serves
// GoogleTest's own thread helpers, which our tests never start.

#include <atomic>

namespace testing::internal {

class Notification {
 public:
  Notification() = default;
  Notification(const Notification&) = delete;
  Notification& operator=(const Notification&) = delete;

  void Notify() { notified_.store(true, std::memory_order_release); }
  void WaitForNotification() const {
    while (!notified_.load(std::memory_order_acquire)) {
    }
  }

 private:
  std::atomic<bool> notified_{false};
};

}  // namespace testing::internal
