#pragma once
// The program's one message pump, shared by the main loop, the window's yields and EndTask.

#include <windows.h>

namespace tarnwell::platform {

// The window whose keyboard interface (Tab between buttons, Alt+O, Alt+C) the pump serves.
void SetKeyboardWindow(HWND window);

// Handles every message pending for this thread, then returns.
void DoEvents();

// When no message is pending, waits up to `milliseconds` for one, or for `wakeOn` (if any) to
// be signalled; then handles all pending.
void WaitThenDoEvents(DWORD milliseconds, HANDLE wakeOn = nullptr);

// Runs the program's message loop until `window` no longer exists.
void RunUntilDestroyed(HWND window);

}  // namespace tarnwell::platform
