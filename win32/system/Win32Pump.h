#pragma once
// The clock and the yield of the program's one thread.

#include <windows.h>

#include <algorithm>

#include "app/system/Yield.h"
#include "platform/MessagePump.h"

namespace tarnwell::win32 {

class Win32Clock final : public Clock {
 public:
  std::uint64_t TickCount() override { return ::GetTickCount64(); }
};

class Win32Pump final : public MessagePump {
 public:
  void DoEvents(std::chrono::milliseconds idleWait, NativeWaitable wakeOn = 0) override {
    const auto wait = std::clamp<std::chrono::milliseconds::rep>(idleWait.count(), 0, INFINITE - 1);
    platform::WaitThenDoEvents(static_cast<DWORD>(wait), reinterpret_cast<HANDLE>(wakeOn));
  }
};

}  // namespace tarnwell::win32
