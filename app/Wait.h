#pragma once
// The program's one way of waiting: it yields to the window's messages in short steps until
// what it waits for has happened, a time limit has passed, or the user has cancelled.

#include <chrono>
#include <cstdint>
#include <optional>

#include "app/system/Yield.h"

namespace tarnwell {

enum class WaitEnd { Done, TimedOut, Cancelled };

// How long a wait yields before it looks again: short enough to react at once, long enough
// not to burn a core while the IDE takes its time.
inline constexpr std::chrono::milliseconds kIdleWait{20};

class Waiter {
 public:
  Waiter(Clock& clock, MessagePump& pump) : clock_(clock), pump_(pump) {}

  // Looks at `done` first on every pass, then at the limit (none: no limit), then yields, waking
  // early when `wakeOn` is signalled; `cancelled` is asked right after each yield, so that a
  // cancel wins over what it waits for happening in the same pass.
  template <typename Done, typename Cancelled>
  WaitEnd Until(Done done, std::optional<std::uint64_t> limitMs, NativeWaitable wakeOn,
                Cancelled cancelled) {
    const std::uint64_t start = clock_.TickCount();
    for (;;) {
      if (done()) return WaitEnd::Done;
      if (limitMs && clock_.TickCount() - start >= *limitMs) return WaitEnd::TimedOut;
      pump_.DoEvents(kIdleWait, wakeOn);
      if (cancelled()) return WaitEnd::Cancelled;
    }
  }

  // A wait nobody can cancel: the messages handled meanwhile do not end it early.
  template <typename Done>
  WaitEnd Until(Done done, std::uint64_t limitMs, NativeWaitable wakeOn) {
    return Until(done, limitMs, wakeOn, [] { return false; });
  }

 private:
  Clock& clock_;
  MessagePump& pump_;
};

}  // namespace tarnwell
