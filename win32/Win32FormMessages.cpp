// What the window does on its messages: clicks and closing handed to the controller's handlers,
// the label drawn, the focus kept on a button, a change of scale.
#include "platform/Trace.h"
#include "platform/WindowContract.h"
#include "win32/FormDesign.h"
#include "win32/Win32Form.h"

namespace tarnwell::win32 {

using platform::kCancelId;
using platform::kLabelId;
using platform::kOkId;
using namespace design;

void Win32Form::Unload() { Close(vbFormCode); }

void Win32Form::Close(int unloadMode) {
  if (!Exists()) return;
  int cancel = 0;
  events_.Form_QueryUnload(cancel, unloadMode);
  // The handler may have yielded, and the window may have gone meanwhile.
  if (cancel == 0 && Exists()) Destroy();
}

void Win32Form::OnDpiChanged(UINT newDpi, const RECT& suggested) {
  if (newDpi == 0 || !Exists()) return;
  // Where each control stands in twips, read in the old scale before it changes.
  struct Placed {
    HWND control;
    Bounds twips;
  };
  const Placed placed[] = {{label_.Window(), ControlBounds(Control::lblMessage)},
                           {ok_, ControlBounds(Control::cmdOK)},
                           {cancel_, ControlBounds(Control::cmdCancel)}};
  dpi_ = newDpi;
  // The suggested rectangle puts the window on the monitor it is moving to.
  ::SetWindowPos(Hwnd(), nullptr, suggested.left, suggested.top, suggested.right - suggested.left,
                 suggested.bottom - suggested.top, SWP_NOZORDER | SWP_NOACTIVATE);
  CreateFonts();
  const TwipScale scale = Scale();
  for (const auto& [control, twips] : placed) {
    if (!control) continue;
    // The buttons keep their design size; the label measures its text in the new font below.
    const RECT& design = control == cancel_ ? kCancelDesign : kOkDesign;
    ::SetWindowPos(control, nullptr, scale.Pixels(twips.left), scale.Pixels(twips.top),
                   scale.Pixels(design.right - design.left),
                   scale.Pixels(design.bottom - design.top),
                   SWP_NOZORDER | SWP_NOACTIVATE | (control == label_.Window() ? SWP_NOSIZE : 0));
  }
  label_.Fit();
  // The controller lays the window out again, as it would have on a start at this scale.
  events_.Form_DpiChanged();
}

void Win32Form::OnDestroyed() {
  label_.Attach(nullptr);
  ok_ = cancel_ = lastFocus_ = nullptr;
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = Hwnd();
  switch (message) {
    case WM_COMMAND: {
      // Only real button clicks count. Enter and Esc arrive as IDOK/IDCANCEL without a
      // control; neither button is the default or the cancel button, so they do nothing.
      const auto from = reinterpret_cast<HWND>(lParam);
      if (HIWORD(wParam) == BN_CLICKED && from) {
        if (LOWORD(wParam) == kOkId && from == ok_) {
          events_.cmdOK_Click();
        } else if (LOWORD(wParam) == kCancelId && from == cancel_) {
          events_.cmdCancel_Click();
        }
      }
      return 0;
    }
    case WM_DRAWITEM: {
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (wParam == kLabelId && item) {
        label_.Draw(*item);
        return TRUE;
      }
      break;
    }
    case WM_CLOSE:
      Close(vbFormControlMenu);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE) {
        const HWND focus = ::GetFocus();
        if (focus && ::IsChild(window, focus)) lastFocus_ = focus;
      }
      break;
    case WM_SETFOCUS: {
      // The window itself takes no keys; the focus belongs on a button, the first in tab order.
      HWND target = lastFocus_ && ::IsWindowVisible(lastFocus_) ? lastFocus_ : nullptr;
      if (!target) target = FirstVisible({ok_, cancel_});
      if (target) ::SetFocus(target);
      return 0;
    }
    case WM_DPICHANGED:
      if (const auto* suggested = reinterpret_cast<const RECT*>(lParam)) {
        OnDpiChanged(LOWORD(wParam), *suggested);
      }
      return 0;
    case WM_DESTROY:
      // Wakes the main loop's GetMessage so that it sees the window gone.
      ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
      return 0;
    default:
      break;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tarnwell::win32
