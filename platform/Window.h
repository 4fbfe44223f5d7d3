#pragma once
// A top-level window whose procedure is a member of `Derived`: the trampoline finds the object
// through the pointer stored at WM_NCCREATE and cleared at WM_NCDESTROY, and no exception of a
// handler unwinds through the window system's frames.
//
// `Derived` provides
//   LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
//   void OnDestroyed();  // the window is gone: forget what belonged to it
// and calls Destroy() in its own destructor, while it can still handle what destruction sends.

#include <windows.h>

#include "platform/UniqueHandle.h"

namespace tarnwell::platform {

template <typename Derived>
class Window {
 public:
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  HWND Hwnd() const { return window_.get(); }
  // The procedure to register the window class with.
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Derived* self = nullptr;
    if (message == WM_NCCREATE) {
      self = static_cast<Derived*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
      ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
      self->window_ = WindowHandle(window);
    } else {
      self = reinterpret_cast<Derived*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
      ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      self->window_.release();
      self->OnDestroyed();
      return ::DefWindowProcW(window, message, wParam, lParam);
    }
    try {
      return self->HandleMessage(message, wParam, lParam);
    } catch (...) {
      ::OutputDebugStringW(L"TarnwellUpdate: a window handler failed\n");
      return 0;
    }
  }

 protected:
  Window() = default;
  // Should Derived not have destroyed the window, nothing of it may be reached any more.
  ~Window() {
    if (window_) ::SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
  }

  // Creates the window with `this` as its object; Handle() is null when that failed.
  void Create(DWORD exStyle, const wchar_t* windowClass, const wchar_t* title, DWORD style,
              int width, int height, HINSTANCE instance) {
    ::CreateWindowExW(exStyle, windowClass, title, style, CW_USEDEFAULT, CW_USEDEFAULT, width,
                      height, nullptr, nullptr, instance, static_cast<Derived*>(this));
  }
  void Destroy() { window_.reset(); }

 private:
  WindowHandle window_;
};

}  // namespace tarnwell::platform
