#pragma once
// The status label: drawn by the program itself, so that its colour and its centred lines look
// the same on every system. It sizes itself to its text: as wide as the longest line, as high
// as all lines. Its window text is the status text too, for tools that read the window from
// outside; screen readers get it on one line (win32/LabelAccessible).

#include <windows.h>

#include <string>

namespace tarnwell::win32 {

class StatusLabel {
 public:
  // `label` is an owner-drawn static control; the form creates and destroys it.
  void Attach(HWND label) { window_ = label; }
  HWND Window() const { return window_; }

  // The font is the form's; the label only borrows it. A new font takes effect on the size at
  // the next caption or Fit().
  void SetFont(HFONT font);
  void SetCaption(std::wstring caption);
  void SetColour(COLORREF colour);
  // Sizes the label to its text in the current font.
  void Fit();
  void Draw(const DRAWITEMSTRUCT& item) const;

 private:
  HWND window_ = nullptr;
  HFONT font_ = nullptr;
  std::wstring caption_;
  COLORREF colour_ = RGB(0, 0, 0xC0);
};

}  // namespace tarnwell::win32
