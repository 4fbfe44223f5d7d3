#pragma once
// The test's side of WindowHelper.h: starts a helper process owning one window, finds that
// window, and ends the helper when it goes.

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"
#include "tests/support/Processes.h"
#include "tests/win32/window/WindowHelper.h"

namespace tarnwell::testing {

class HelperWindow {
 public:
  // `program` is window_tests itself or WindowImpostor; `show` as WindowHelper.h says.
  HelperWindow(const std::wstring& program, const wchar_t* windowClass, const wchar_t* title,
               const wchar_t* show)
      : windowClass_(windowClass), title_(title) {
    const std::wstring event =
        L"Local\\tarnwell-window-helper." + std::to_wstring(::GetCurrentProcessId()) + L"." +
        std::to_wstring(::GetTickCount64()) + L"." + std::to_wstring(++Serial());
    release_.reset(::CreateEventW(nullptr, TRUE, FALSE, event.c_str()));
    process_ = StartProcess(program, std::wstring(kWindowHelperSwitch) + L" " + event + L" \"" +
                                         windowClass_ + L"\" \"" + title_ + L"\" " + show);
  }
  ~HelperWindow() {
    ::SetEvent(release_.get());
    if (process_) ::WaitForSingleObject(process_->process.get(), 10'000);
  }
  HelperWindow(const HelperWindow&) = delete;
  HelperWindow& operator=(const HelperWindow&) = delete;

  bool Started() const { return process_.has_value(); }
  DWORD ProcessId() const { return process_ ? process_->id : 0; }
  // The helper's visible window; nullptr if it shows none within 30 s.
  HWND Window() const {
    if (!process_) return nullptr;
    const ULONGLONG deadline = ::GetTickCount64() + 30'000;
    for (;;) {
      HWND window = nullptr;
      while ((window = ::FindWindowExW(nullptr, window, windowClass_.c_str(), title_.c_str()))) {
        DWORD owner = 0;
        ::GetWindowThreadProcessId(window, &owner);
        if (owner == process_->id && ::IsWindowVisible(window)) return window;
      }
      if (::GetTickCount64() > deadline) return nullptr;
      ::Sleep(20);
    }
  }

 private:
  static unsigned& Serial() {
    static unsigned serial = 0;
    return serial;
  }

  std::wstring windowClass_;
  std::wstring title_;
  platform::KernelHandle release_;
  std::optional<StartedProcess> process_;
};

}  // namespace tarnwell::testing
