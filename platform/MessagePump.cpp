#include "platform/MessagePump.h"

namespace tarnwell::platform {
namespace {

HWND keyboardWindow = nullptr;

void Dispatch(MSG& msg) {
  if (keyboardWindow && ::IsWindow(keyboardWindow) && ::IsDialogMessageW(keyboardWindow, &msg)) {
    return;
  }
  ::TranslateMessage(&msg);
  ::DispatchMessageW(&msg);
}

}  // namespace

void SetKeyboardWindow(HWND window) { keyboardWindow = window; }

void DoEvents() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Nobody posts it; should something else, keep it for the main loop and stop here.
      ::PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    Dispatch(msg);
  }
}

void WaitThenDoEvents(DWORD milliseconds, HANDLE wakeOn) {
  MSG msg;
  if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
    ::MsgWaitForMultipleObjectsEx(wakeOn ? 1 : 0, wakeOn ? &wakeOn : nullptr, milliseconds,
                                  QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
  DoEvents();
}

void RunUntilDestroyed(HWND window) {
  MSG msg;
  while (::IsWindow(window)) {
    const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    Dispatch(msg);
  }
}

}  // namespace tarnwell::platform
