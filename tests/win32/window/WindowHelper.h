#pragma once
// A helper process for the window tests: it owns one top-level window of a chosen class and
// title, shown as asked, until an event is set (or 60 s pass, so that it never lingers). Both
// window_tests itself (--window-helper) and another program (WindowImpostor) play it, so that a
// test can tell a window of this program's own executable from the same window in another.
//
//   <program> --window-helper <event> <class> <title> <show>
// <show> is "minimized" (shown minimised, not activated) or "foreground" (shown, and it takes
// the foreground).

#include <windows.h>

#include <string_view>

#include "platform/UniqueHandle.h"

namespace tarnwell::testing {

inline constexpr wchar_t kWindowHelperSwitch[] = L"--window-helper";
inline constexpr int kWindowHelperExitCode = 3;

inline int RunWindowHelper(const wchar_t* eventName, const wchar_t* windowClass,
                           const wchar_t* title, std::wstring_view show) {
  constexpr DWORD kLifetimeMs = 60'000;
  const platform::KernelHandle done(::OpenEventW(SYNCHRONIZE, FALSE, eventName));
  if (!done) return 1;
  WNDCLASSW registered{};
  registered.lpfnWndProc = ::DefWindowProcW;
  registered.hInstance = ::GetModuleHandleW(nullptr);
  registered.lpszClassName = windowClass;
  registered.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  ::RegisterClassW(&registered);
  const platform::WindowHandle window(::CreateWindowExW(0, windowClass, title, WS_OVERLAPPEDWINDOW,
                                                        200, 200, 300, 200, nullptr, nullptr,
                                                        ::GetModuleHandleW(nullptr), nullptr));
  if (!window) return 2;
  if (show == L"foreground") {
    ::ShowWindow(window.get(), SW_SHOWNORMAL);
    ::SetForegroundWindow(window.get());
  } else {
    ::ShowWindow(window.get(), SW_SHOWMINNOACTIVE);
  }
  const ULONGLONG deadline = ::GetTickCount64() + kLifetimeMs;
  HANDLE waitFor = done.get();
  while (::GetTickCount64() < deadline) {
    const DWORD woken = ::MsgWaitForMultipleObjects(1, &waitFor, FALSE, 100, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) break;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  return kWindowHelperExitCode;
}

}  // namespace tarnwell::testing
