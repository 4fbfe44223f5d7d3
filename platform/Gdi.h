#pragma once
// Scope guards for drawing: a window's device context, and an object selected into a DC.

#include <windows.h>

namespace tarnwell::platform {

// Restores what was selected into `dc` before.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object)
      : dc_(dc), old_(dc && object ? ::SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (old_) ::SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// The client-area DC of `window` (GetDC) or, with `wholeWindow`, its frame's too
// (GetWindowDC); given back on scope exit.
class WindowDc {
 public:
  explicit WindowDc(HWND window, bool wholeWindow = false)
      : window_(window), dc_(wholeWindow ? ::GetWindowDC(window) : ::GetDC(window)) {}
  ~WindowDc() {
    if (dc_) ::ReleaseDC(window_, dc_);
  }
  WindowDc(const WindowDc&) = delete;
  WindowDc& operator=(const WindowDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace tarnwell::platform
