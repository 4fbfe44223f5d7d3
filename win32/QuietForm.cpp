#include "win32/QuietForm.h"

#include <windows.h>

#include <algorithm>

#include "platform/MessagePump.h"

namespace tarnwell::win32 {

Bounds QuietForm::ControlBounds(Control control) const {
  const auto found = controls_.find(control);
  return found == controls_.end() ? Bounds{} : found->second;
}

void QuietForm::MoveControl(Control control, float left, float top) {
  controls_[control].left = left;
  controls_[control].top = top;
}

void QuietForm::DoEvents(std::chrono::milliseconds idleWait, NativeWaitable wakeOn) {
  // The thread's own messages (EndTask's yield, COM) are still handled.
  const auto wait = std::clamp<std::chrono::milliseconds::rep>(idleWait.count(), 0, INFINITE - 1);
  platform::WaitThenDoEvents(static_cast<DWORD>(wait), reinterpret_cast<HANDLE>(wakeOn));
}

}  // namespace tarnwell::win32
