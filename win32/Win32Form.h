#pragma once
// The real window frmDllLoadTest: a top-level window with the status label and two buttons.
// It keeps no layout of its own; it answers and obeys the controller in twips and hands every
// click and close request to the controller's handlers.

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <string>

#include "app/Form.h"
#include "win32/UniqueHandle.h"

namespace tarnwell::win32 {

// Control identifiers; tools that drive the window from outside find the controls by these.
// They are deliberately not IDOK/IDCANCEL: neither button answers Enter or Esc.
inline constexpr int kLabelId = 100;
inline constexpr int kOkId = 101;
inline constexpr int kCancelId = 102;

inline constexpr wchar_t kWindowTitle[] = L"Quandrel.dll  Update";
inline constexpr wchar_t kWindowClass[] = L"TarnwellUpdate.frmDllLoadTest";

class Win32Form final : public Form {
 public:
  // Creates the window hidden, with its design values. Exists() is false when creation failed.
  Win32Form(FormEvents& events, HINSTANCE instance);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  HWND Window() const { return window_.get(); }

  bool Exists() const override;
  NativeWindow Handle() const override;

  void SetLabelCaption(const std::string& utf8) override;
  void SetLabelForeColor(std::uint32_t bgr) override;

  Bounds ControlBounds(Control control) const override;
  void MoveControl(Control control, float left, float top) override;
  void SetVisible(Control control, bool visible) override;

  Bounds WindowBounds() const override;
  void SetWindowLeft(float left) override;
  void SetWindowTop(float top) override;
  void SetWindowWidth(float width) override;
  void SetWindowHeight(float height) override;
  ScreenSize Screen() const override;

  void Show() override;
  void Repaint() override;
  void Unload() override;
  void DoEvents(std::chrono::milliseconds idleWait, NativeWaitable wakeOn = 0) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  void CreateFonts();
  void AutoSizeLabel();
  void DrawLabel(const DRAWITEMSTRUCT& item) const;
  void OnDpiChanged(UINT newDpi, const RECT& suggested);
  void Close(int unloadMode);

  HWND ControlWindow(Control control) const;
  UINT Dpi() const;
  double ToPixels(double twips) const;
  double ToTwips(double pixels) const;
  // What the real frame adds to the client size, in pixels.
  SIZE FrameExtra() const;
  // The narrowest client area whose window still shows the whole title.
  int MinimumClientWidth() const;
  // Places the real window so that the model rectangle (see WindowBounds) becomes `model`.
  void SetModelBounds(const Bounds& model);

  FormEvents& events_;
  WindowHandle window_;
  HWND label_ = nullptr;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  FontHandle labelFont_;
  FontHandle buttonFont_;
  std::wstring caption_;
  COLORREF labelColour_ = RGB(0, 0, 0xC0);
  UINT dpi_ = 96;
  HWND lastFocus_ = nullptr;
};

}  // namespace tarnwell::win32
