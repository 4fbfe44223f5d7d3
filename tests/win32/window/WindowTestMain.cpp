// The programs are built with -municode, so the tests start at wmain.
//
// Started as `window_tests --helper <event> <caption>`, the program instead plays a small
// task for the process tests: it shows nothing, owns a top-level window titled <caption>, and
// ends with exit code 3 once <event> is set (or after 60 s, so that it never lingers).
// Started as `window_tests --dpi-layout <file>`, it reports a window's layout (DpiLayoutHelper.h).
// Started as `window_tests --window-helper ...`, it owns a window as WindowHelper.h says.

#include <windows.h>

#include <gtest/gtest.h>

#include <string_view>

#include "tests/support/PrintedOnly.h"
#include "tests/win32/window/DpiLayoutHelper.h"
#include "tests/win32/window/WindowHelper.h"

#include "platform/UniqueHandle.h"

namespace {

constexpr int kHelperExitCode = 3;
constexpr DWORD kHelperLifetimeMs = 60'000;

int RunHelper(const wchar_t* eventName, const wchar_t* caption) {
  using tarnwell::platform::KernelHandle;
  using tarnwell::platform::WindowHandle;
  const KernelHandle done(::OpenEventW(SYNCHRONIZE, FALSE, eventName));
  if (!done) return 1;
  const WindowHandle window(::CreateWindowExW(0, L"Static", caption, WS_OVERLAPPED, 0, 0, 10, 10,
                                              nullptr, nullptr, ::GetModuleHandleW(nullptr),
                                              nullptr));
  if (!window) return 2;
  const ULONGLONG deadline = ::GetTickCount64() + kHelperLifetimeMs;
  HANDLE waitFor = done.get();
  while (::GetTickCount64() < deadline) {
    const DWORD woken = ::MsgWaitForMultipleObjects(1, &waitFor, FALSE, 100, QS_ALLINPUT);
    if (woken == WAIT_OBJECT_0) return kHelperExitCode;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  }
  return kHelperExitCode;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 4 && std::wstring_view(argv[1]) == L"--helper") return RunHelper(argv[2], argv[3]);
  if (argc == 6 && std::wstring_view(argv[1]) == tarnwell::testing::kWindowHelperSwitch) {
    return tarnwell::testing::RunWindowHelper(argv[2], argv[3], argv[4], argv[5]);
  }
  if (argc == 3 && std::wstring_view(argv[1]) == tarnwell::win32::kDpiLayoutSwitch) {
    return tarnwell::win32::RunDpiLayoutHelper(argv[2]);
  }
  testing::InitGoogleTest(&argc, argv);
  tarnwell::testing::PrintFailuresOnly();
  return RUN_ALL_TESTS();
}
