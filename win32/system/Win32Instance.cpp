#include "win32/system/Win32Instance.h"

#include "platform/Trace.h"
#include "platform/WindowContract.h"

namespace tarnwell::win32 {
namespace {

// The running instance's window: ours by class and title, shown, and another process's (this
// one may already have created its own, hidden).
HWND RunningInstanceWindow() {
  const DWORD self = ::GetCurrentProcessId();
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, platform::kWindowClass,
                                   platform::kWindowTitle)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != 0 && owner != self && ::IsWindowVisible(window)) return window;
  }
  return nullptr;
}

}  // namespace

bool Win32Instance::PreviousInstanceRunning() {
  if (!previousInstance_) {
    instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, instanceName_.c_str()));
    const DWORD error = ::GetLastError();
    // Access denied: the mutex exists, created by an instance running with other rights.
    previousInstance_ = error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
  }
  return *previousInstance_;
}

bool Win32Instance::RaiseRunningInstance() {
  const HWND window = RunningInstanceWindow();
  if (!window) return false;
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  // The right to set the foreground lies with this process, which the user has just started
  // from the foreground. The running instance lost it when the user turned elsewhere, so an
  // AllowSetForegroundWindow of its own would hand on nothing. This process therefore hands
  // its right to the running one, whose own activation as it restores its window then counts,
  // and sets the foreground itself as well.
  ::AllowSetForegroundWindow(owner);
  // Posted, not sent: a running instance busy in its work must not keep this one from ending.
  if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
  if (!::SetForegroundWindow(window)) platform::TraceFailure(L"SetForegroundWindow", 0);
  return true;
}

void Win32Instance::EndProcess(int exitCode) { ::ExitProcess(static_cast<UINT>(exitCode)); }

}  // namespace tarnwell::win32
