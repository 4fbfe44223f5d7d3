#pragma once
// The real window frmDllLoadTest: a top-level window with the status label and two buttons.
// It keeps no layout of its own; it answers and obeys the controller in twips and hands every
// click and close request to the controller's handlers.

#include <windows.h>

#include <cstdint>
#include <string>

#include "app/Form.h"
#include "platform/UniqueHandle.h"
#include "platform/Window.h"
#include "win32/StatusLabel.h"
#include "win32/Twips.h"

namespace tarnwell::win32 {

class Win32Form final : public Form, public platform::Window<Win32Form> {
 public:
  // Creates the window hidden, with its design values. Exists() is false when creation failed.
  Win32Form(FormEvents& events, HINSTANCE instance);
  ~Win32Form() override;
  Win32Form(const Win32Form&) = delete;
  Win32Form& operator=(const Win32Form&) = delete;

  HWND Window() const { return Hwnd(); }

  bool Exists() const override;
  NativeWindow Handle() const override;

  void SetLabelCaption(const std::string& utf8) override;
  void SetLabelForeColor(std::uint32_t bgr) override;

  Bounds ControlBounds(Control control) const override;
  void MoveControl(Control control, float left, float top) override;
  void SetVisible(Control control, bool visible) override;

  Bounds WindowBounds() const override;
  void MoveWindow(float left, float top) override;
  void SetWindowWidth(float width) override;
  void SetWindowHeight(float height) override;
  Bounds Screen() const override;

  void Show() override;
  void Repaint() override;
  void SetTopMost(bool topmost) override;
  void Unload() override;

 private:
  friend class platform::Window<Win32Form>;
  LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  void OnDestroyed();

  void CreateControls();
  void CreateFonts();
  void OnDpiChanged(UINT newDpi, const RECT& suggested);
  void Close(int unloadMode);

  HWND ControlWindow(Control control) const;
  TwipScale Scale() const { return TwipScale(dpi_); }
  // What the real frame adds to the client size, in pixels.
  SIZE FrameExtra() const;
  // The narrowest client area whose window still shows the whole title, at the window's DPI;
  // measured once for each DPI.
  int MinimumClientWidth();

  FormEvents& events_;
  StatusLabel label_;
  HWND ok_ = nullptr;
  HWND cancel_ = nullptr;
  platform::FontHandle labelFont_;
  platform::FontHandle buttonFont_;
  UINT dpi_ = 96;
  UINT minimumMeasuredAt_ = 0;
  int minimumClientWidth_ = 0;
  HWND lastFocus_ = nullptr;
};

}  // namespace tarnwell::win32
