#pragma once
// What every wait of the program is made of: the yield, in which the program's one thread
// handles the messages that are waiting, so that the window stays live while the program waits
// for the IDE or the registration tool; and the clock that bounds such waits.

#include <chrono>
#include <cstdint>

#include "app/NativeHandles.h"

namespace tarnwell {

class MessagePump {
 public:
  virtual ~MessagePump() = default;
  // Handles every message pending for the program. When none is pending, first waits up to
  // `idleWait` for one to arrive, or for `wakeOn` to be signalled, so that polling loops
  // neither spin nor lag behind what they wait for.
  virtual void DoEvents(std::chrono::milliseconds idleWait, NativeWaitable wakeOn = 0) = 0;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // Milliseconds from an arbitrary start; only differences count.
  virtual std::uint64_t TickCount() = 0;
};

}  // namespace tarnwell
