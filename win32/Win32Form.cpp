#include "win32/Win32Form.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "app/Frame.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "platform/MessagePump.h"
#include "platform/Trace.h"
#include "platform/WideText.h"
#include "platform/WindowContract.h"
#include "services/modGlobal.h"
#include "win32/Controls.h"
#include "win32/FormDesign.h"
#include "win32/LabelAccessible.h"

namespace tarnwell::win32 {
namespace {

using platform::kCancelId;
using platform::kLabelId;
using platform::kOkId;
using namespace design;

}  // namespace

Win32Form::Win32Form(FormEvents& events, HINSTANCE instance) : events_(events) {
  RegisterFormClass(instance, &Procedure);
  dpi_ = platform::ScreenDpi();
  const RECT outer = platform::OuterForClient(
      RECT{0, 0, Scale().Pixels(kDesignClientWidth), Scale().Pixels(kDesignClientHeight)},
      kFormStyle, kFormExStyle, dpi_);
  Create(kFormExStyle, platform::kWindowClass, platform::kWindowTitle, kFormStyle,
         outer.right - outer.left, outer.bottom - outer.top, instance);
  if (!Hwnd()) {
    platform::TraceFailure(L"CreateWindowExW", ::GetLastError());
    return;
  }
  // The monitor the window landed on decides its scale, not the primary one.
  dpi_ = platform::WindowDpi(Hwnd());
  CreateControls();
  SetWindowWidth(static_cast<float>(kDesignClientWidth + frame::kWidth));
  SetWindowHeight(static_cast<float>(kDesignClientHeight + frame::kHeight));
  platform::SetKeyboardWindow(Hwnd());
}

Win32Form::~Win32Form() {
  // Destroying here sends no WM_CLOSE, so no handler runs on a controller that may be going.
  Destroy();
}

void Win32Form::CreateFonts() {
  labelFont_ = MakeBoldFont(kLabelFace, kLabelPoints, dpi_);
  buttonFont_ = MakeBoldFont(kButtonFace, kButtonPoints, dpi_);
  label_.SetFont(labelFont_.get());
  for (HWND button : {ok_, cancel_}) {
    if (button)
      ::SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_.get()), TRUE);
  }
}

void Win32Form::CreateControls() {
  const HWND parent = Hwnd();
  const TwipScale scale = Scale();
  // Creation order is the tab order: the label (never focused), OK, Cancel.
  label_.Attach(CreateControl(parent, L"Static", L"", WS_VISIBLE | SS_OWNERDRAW | SS_NOPREFIX,
                              scale.Pixels(kLabelDesign), kLabelId));
  ExposeLabelToScreenReaders(label_.Window());
  ok_ = CreateControl(parent, L"Button", L"&OK", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON,
                      scale.Pixels(kOkDesign), kOkId);
  cancel_ = CreateControl(parent, L"Button", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON,
                          scale.Pixels(kCancelDesign), kCancelId);
  MakeNeverDefault(ok_);
  MakeNeverDefault(cancel_);
  CreateFonts();
}

bool Win32Form::Exists() const { return Hwnd() && ::IsWindow(Hwnd()); }

NativeWindow Win32Form::Handle() const {
  return Exists() ? reinterpret_cast<NativeWindow>(Hwnd()) : 0;
}

void Win32Form::SetLabelCaption(const std::string& utf8) {
  if (Exists()) label_.SetCaption(platform::Widen(utf8));
}

void Win32Form::SetLabelForeColor(std::uint32_t bgr) {
  if (Exists()) label_.SetColour(static_cast<COLORREF>(bgr & 0xFFFFFF));
}

HWND Win32Form::ControlWindow(Control control) const {
  if (!Exists()) return nullptr;
  switch (control) {
    case Control::lblMessage:
      return label_.Window();
    case Control::cmdOK:
      return ok_;
    case Control::cmdCancel:
      return cancel_;
  }
  return nullptr;
}

Bounds Win32Form::ControlBounds(Control control) const {
  const HWND c = ControlWindow(control);
  RECT r{};
  if (!c || !::GetWindowRect(c, &r)) return {};
  ::MapWindowPoints(nullptr, Hwnd(), reinterpret_cast<POINT*>(&r), 2);
  const TwipScale scale = Scale();
  return {static_cast<float>(scale.ToTwips(r.left)), static_cast<float>(scale.ToTwips(r.top)),
          static_cast<float>(scale.ToTwips(r.right - r.left)),
          static_cast<float>(scale.ToTwips(r.bottom - r.top))};
}

void Win32Form::MoveControl(Control control, float left, float top) {
  const HWND c = ControlWindow(control);
  if (!c) return;
  ::SetWindowPos(c, nullptr, Scale().Pixels(left), Scale().Pixels(top), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::SetVisible(Control control, bool visible) {
  const HWND c = ControlWindow(control);
  if (!c) return;
  if (!visible && ::GetFocus() == c) {
    // A hidden button keeps no focus: hand it to the other one, or to the window.
    const HWND next = FirstVisible({c == ok_ ? cancel_ : ok_});
    ::SetFocus(next ? next : Hwnd());
  }
  ::ShowWindow(c, visible ? SW_SHOWNA : SW_HIDE);
}

SIZE Win32Form::FrameExtra() const {
  RECT outer{};
  RECT client{};
  if (::GetWindowRect(Hwnd(), &outer) && ::GetClientRect(Hwnd(), &client)) {
    return {(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
  }
  const RECT adjusted = platform::OuterForClient(RECT{0, 0, 0, 0}, kFormStyle, kFormExStyle, dpi_);
  return {adjusted.right - adjusted.left, adjusted.bottom - adjusted.top};
}

// The controller's layout sees the window in the frame it reckons with (app/Frame.h).
Bounds Win32Form::WindowBounds() const {
  RECT outer{};
  RECT client{};
  if (!Exists() || !::GetWindowRect(Hwnd(), &outer) || !::GetClientRect(Hwnd(), &client)) {
    return {};
  }
  const TwipScale scale = Scale();
  return frame::ModelOuter(scale.ToTwips(outer.left), scale.ToTwips(outer.top),
                           scale.ToTwips(outer.right - outer.left),
                           scale.ToTwips(outer.bottom - outer.top), scale.ToTwips(client.right),
                           scale.ToTwips(client.bottom));
}

void Win32Form::MoveWindow(float left, float top) {
  if (!Exists()) return;
  const TwipScale scale = Scale();
  const SIZE real = FrameExtra();
  const double offsetX = frame::RealEdgeOffset(real.cx, scale.ToPixels(frame::kWidth));
  const double offsetY = frame::RealEdgeOffset(real.cy, scale.ToPixels(frame::kHeight));
  ::SetWindowPos(Hwnd(), nullptr, RoundPixels(scale.ToPixels(left) - offsetX),
                 RoundPixels(scale.ToPixels(top) - offsetY), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::SetWindowWidth(float width) {
  RECT outer{};
  if (!Exists() || !::GetWindowRect(Hwnd(), &outer)) return;
  const int requested = std::max(0, Scale().Pixels(width - frame::kWidth));
  // Like a window system's minimum width: never so narrow that the title is cut off.
  const int client = std::max(requested, MinimumClientWidth());
  ::SetWindowPos(Hwnd(), nullptr, 0, 0, client + FrameExtra().cx, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A label narrower than a widened window spans it, so that its centred lines stay centred.
  const HWND labelWindow = label_.Window();
  RECT label{};
  if (client > requested && ::GetClientRect(labelWindow, &label) && label.right < client) {
    ::SetWindowPos(labelWindow, nullptr, 0, 0, client, label.bottom,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int Win32Form::MinimumClientWidth() {
  if (minimumMeasuredAt_ == dpi_) return minimumClientWidth_;
  // The title bar as drawn at the window's own DPI, which on another monitor is not the system's.
  const NONCLIENTMETRICSW metrics = platform::NonClientMetricsForDpi(dpi_);
  minimumMeasuredAt_ = dpi_;
  minimumClientWidth_ = 0;
  if (metrics.cbSize == 0) return 0;
  const platform::FontHandle captionFont(::CreateFontIndirectW(&metrics.lfCaptionFont));
  const platform::WindowDc dc(Hwnd());
  const platform::Selection font(dc.get(), captionFont.get());
  SIZE title{};
  if (!dc.get() ||
      !::GetTextExtentPoint32W(dc.get(), platform::kWindowTitle,
                               static_cast<int>(std::size(platform::kWindowTitle)) - 1, &title)) {
    return 0;
  }
  // The title bar spans the client area's width and also holds the small icon and the close
  // box, with a little air between.
  minimumClientWidth_ = title.cx + platform::SystemMetricForDpi(SM_CXSMICON, dpi_) +
                        metrics.iCaptionWidth +
                        static_cast<int>(std::lround(Scale().ToPixels(kTitleAirTwips)));
  return minimumClientWidth_;
}

void Win32Form::SetWindowHeight(float height) {
  RECT outer{};
  if (!Exists() || !::GetWindowRect(Hwnd(), &outer)) return;
  const int client = std::max(0, Scale().Pixels(height - frame::kHeight));
  ::SetWindowPos(Hwnd(), nullptr, 0, 0, outer.right - outer.left, client + FrameExtra().cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

Bounds Win32Form::Screen() const {
  if (!Exists()) return {};
  RECT work{};
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  if (::GetMonitorInfoW(::MonitorFromWindow(Hwnd(), MONITOR_DEFAULTTONEAREST), &monitor)) {
    work = monitor.rcWork;
  } else if (!::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) {
    return {};
  }
  const TwipScale scale = Scale();
  return {static_cast<float>(scale.ToTwips(work.left)), static_cast<float>(scale.ToTwips(work.top)),
          static_cast<float>(scale.ToTwips(work.right - work.left)),
          static_cast<float>(scale.ToTwips(work.bottom - work.top))};
}

void Win32Form::Show() {
  if (!Exists()) return;
  ::ShowWindow(Hwnd(), SW_SHOW);
  ::UpdateWindow(Hwnd());
}

void Win32Form::Repaint() {
  if (!Exists()) return;
  ::RedrawWindow(Hwnd(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Form::SetTopMost(bool topmost) {
  if (Exists()) modGlobal::SetTopMost(Handle(), topmost);
}

}  // namespace tarnwell::win32
