#include "win32/Win32Form.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <string_view>
#include <vector>

#include "win32/MessagePump.h"
#include "win32/WideText.h"

namespace tarnwell::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = 0;

// Design values, twips.
constexpr double kTwipsPerInch = 1440.0;
constexpr RECT kLabelDesign{2055, 120, 2055 + 105, 120 + 195};
constexpr RECT kOkDesign{1080, 1680, 1080 + 855, 1680 + 375};
constexpr RECT kCancelDesign{240, 1680, 240 + 855, 1680 + 375};
constexpr double kDesignClientWidth = 3105;
constexpr double kDesignClientHeight = 2295;
// The classic frame the controller reckons with: 45 twips of border left, right and bottom,
// 330 twips from the top outer edge to the client area.
constexpr double kModelFrameWidth = 90;
constexpr double kModelFrameHeight = 375;
// Room between the title and the title bar's icon and close box.
constexpr double kTitleAirTwips = 240;

constexpr wchar_t kLabelFace[] = L"MS Sans Serif";
constexpr double kLabelPoints = 8.25;
constexpr wchar_t kButtonFace[] = L"Tahoma";
constexpr double kButtonPoints = 9.75;

constexpr int kIconId = 1;

// Entry points newer than Windows 7 are looked up, so the program still loads there.
template <typename Fn>
Fn SystemProc(const wchar_t* module, const char* name) {
  const HMODULE handle = ::GetModuleHandleW(module);
  if (!handle) return nullptr;
  // Through void(*)(): the one function pointer type every other converts to without warning.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(handle, name)));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

GetDpiForWindowFn GetDpiForWindowProc() {
  static const auto proc = SystemProc<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  return proc;
}

UINT ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  if (!screen) return 96;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND window) {
  if (const auto proc = GetDpiForWindowProc(); proc && window) {
    if (const UINT dpi = proc(window); dpi != 0) return dpi;
  }
  return ScreenDpi();
}

RECT ClientToOuter(const RECT& client, UINT dpi) {
  RECT outer = client;
  static const auto forDpi =
      SystemProc<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  if (!forDpi || !forDpi(&outer, kStyle, FALSE, kExStyle, dpi)) {
    outer = client;
    ::AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  }
  return outer;
}

// Pixels are whole; keep absurd values inside int instead of overflowing.
int RoundPixels(double pixels) {
  if (!std::isfinite(pixels)) return 0;
  constexpr double kLimit = 1 << 30;
  return static_cast<int>(std::lround(std::clamp(pixels, -kLimit, kLimit)));
}

int FontHeight(double points, UINT dpi) { return -RoundPixels(points * dpi / 72.0); }

FontHandle MakeFont(const wchar_t* face, double points, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = FontHeight(points, dpi);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = ANSI_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  return FontHandle(::CreateFontIndirectW(&font));
}

// The label's lines: the pieces between CR LF pairs.
std::vector<std::wstring_view> SplitLines(std::wstring_view text) {
  std::vector<std::wstring_view> lines;
  for (;;) {
    const auto end = text.find(L"\r\n");
    lines.push_back(text.substr(0, end));
    if (end == std::wstring_view::npos) return lines;
    text.remove_prefix(end + 2);
  }
}

// A device context of a window, given back on scope exit, with one font selected meanwhile.
class FontDC {
 public:
  FontDC(HWND window, HFONT font) : window_(window), dc_(::GetDC(window)) {
    if (dc_ && font) old_ = ::SelectObject(dc_, font);
  }
  ~FontDC() {
    if (!dc_) return;
    if (old_) ::SelectObject(dc_, old_);
    ::ReleaseDC(window_, dc_);
  }
  FontDC(const FontDC&) = delete;
  FontDC& operator=(const FontDC&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
  HGDIOBJ old_ = nullptr;
};

// Restores what a paint routine selected into a borrowed DC.
class Selection {
 public:
  Selection(HDC dc, HGDIOBJ object) : dc_(dc), old_(object ? ::SelectObject(dc, object) : nullptr) {}
  ~Selection() {
    if (old_) ::SelectObject(dc_, old_);
  }
  Selection(const Selection&) = delete;
  Selection& operator=(const Selection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

void RegisterWindowClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = kWindowClass;
  // Shared icons belong to the module; nobody destroys them.
  wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, 0, 0,
                                             LR_DEFAULTSIZE | LR_SHARED));
  wc.hIconSm = static_cast<HICON>(
      ::LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
                   ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  // A second window in the same process finds the class already there; that is fine.
  ::RegisterClassExW(&wc);
}

// The dialog manager makes a button the default one when Tab brings it the focus, and Enter
// then clicks it. Neither button may ever be the default, so each refuses that role.
LRESULT CALLBACK NeverDefaultButton(HWND button, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case BM_SETSTYLE:
      if ((wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        wParam = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_PUSHBUTTON;
      }
      break;
    case WM_GETDLGCODE: {
      LRESULT code = ::DefSubclassProc(button, message, wParam, lParam);
      if (code & DLGC_DEFPUSHBUTTON) code = (code & ~DLGC_DEFPUSHBUTTON) | DLGC_UNDEFPUSHBUTTON;
      return code;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(button, &NeverDefaultButton, id);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(button, message, wParam, lParam);
}

HWND FirstVisible(std::initializer_list<HWND> candidates) {
  for (HWND c : candidates) {
    if (c && ::IsWindowVisible(c)) return c;
  }
  return nullptr;
}

}  // namespace

Win32Form::Win32Form(FormEvents& events, HINSTANCE instance) : events_(events) {
  RegisterWindowClass(instance, &Win32Form::WindowProc);
  dpi_ = ScreenDpi();
  const RECT outer = ClientToOuter(
      RECT{0, 0, RoundPixels(ToPixels(kDesignClientWidth)), RoundPixels(ToPixels(kDesignClientHeight))},
      dpi_);
  // WM_NCCREATE takes ownership of the handle into window_.
  ::CreateWindowExW(kExStyle, kWindowClass, kWindowTitle, kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                    outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance,
                    this);
  if (!window_) return;
  // The monitor the window landed on decides its scale, not the primary one.
  dpi_ = WindowDpi(window_.get());
  CreateControls();
  SetWindowWidth(static_cast<float>(kDesignClientWidth + kModelFrameWidth));
  SetWindowHeight(static_cast<float>(kDesignClientHeight + kModelFrameHeight));
  SetKeyboardWindow(window_.get());
}

Win32Form::~Win32Form() {
  // Destroying here sends no WM_CLOSE, so no handler runs on a controller that may be going.
  window_.reset();
}

void Win32Form::CreateFonts() {
  labelFont_ = MakeFont(kLabelFace, kLabelPoints, dpi_);
  buttonFont_ = MakeFont(kButtonFace, kButtonPoints, dpi_);
  for (HWND control : {label_, ok_, cancel_}) {
    if (!control) continue;
    const HFONT font = control == label_ ? labelFont_.get() : buttonFont_.get();
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

void Win32Form::CreateControls() {
  const HWND parent = window_.get();
  const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  const auto create = [&](const wchar_t* kind, const wchar_t* text, DWORD style, const RECT& twips,
                          int id) {
    const int left = RoundPixels(ToPixels(twips.left));
    const int top = RoundPixels(ToPixels(twips.top));
    const HWND control = ::CreateWindowExW(
        0, kind, text, WS_CHILD | style, left, top, RoundPixels(ToPixels(twips.right)) - left,
        RoundPixels(ToPixels(twips.bottom)) - top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    return control;
  };
  // Creation order is the tab order: the label (never focused), OK, Cancel.
  label_ = create(L"Static", L"", WS_VISIBLE | SS_OWNERDRAW | SS_NOPREFIX, kLabelDesign, kLabelId);
  ok_ = create(L"Button", L"&OK", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, kOkDesign, kOkId);
  cancel_ = create(L"Button", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON, kCancelDesign, kCancelId);
  for (HWND button : {ok_, cancel_}) {
    if (button) ::SetWindowSubclass(button, &NeverDefaultButton, 1, 0);
  }
  CreateFonts();
}

bool Win32Form::Exists() const { return window_ && ::IsWindow(window_.get()); }

NativeWindow Win32Form::Handle() const {
  return Exists() ? reinterpret_cast<NativeWindow>(window_.get()) : 0;
}

void Win32Form::SetLabelCaption(const std::string& utf8) {
  if (!Exists() || !label_) return;
  caption_ = Widen(utf8);
  ::SetWindowTextW(label_, caption_.c_str());
  AutoSizeLabel();
  ::InvalidateRect(label_, nullptr, TRUE);
}

void Win32Form::SetLabelForeColor(std::uint32_t bgr) {
  if (!Exists() || !label_) return;
  labelColour_ = static_cast<COLORREF>(bgr & 0xFFFFFF);
  ::InvalidateRect(label_, nullptr, TRUE);
}

void Win32Form::AutoSizeLabel() {
  const FontDC dc(label_, labelFont_.get());
  if (!dc.get()) return;
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc.get(), &metrics);
  const auto lines = SplitLines(caption_);
  int widest = 0;
  for (const auto line : lines) {
    SIZE extent{};
    // Trailing blanks count: the text extent includes them, as the status texts rely on.
    if (!line.empty() &&
        ::GetTextExtentPoint32W(dc.get(), line.data(), static_cast<int>(line.size()), &extent)) {
      widest = std::max(widest, static_cast<int>(extent.cx));
    }
  }
  const int height = static_cast<int>(lines.size()) * metrics.tmHeight;
  ::SetWindowPos(label_, nullptr, 0, 0, widest, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::DrawLabel(const DRAWITEMSTRUCT& item) const {
  const HDC dc = item.hDC;
  const RECT area = item.rcItem;
  ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
  const Selection font(dc, labelFont_.get());
  ::SetTextColor(dc, labelColour_);
  ::SetBkMode(dc, TRANSPARENT);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  int top = area.top;
  for (const auto line : SplitLines(caption_)) {
    RECT row{area.left, top, area.right, top + metrics.tmHeight};
    if (!line.empty()) {
      ::DrawTextW(dc, line.data(), static_cast<int>(line.size()), &row,
                  DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_TOP);
    }
    top += metrics.tmHeight;
  }
}

HWND Win32Form::ControlWindow(Control control) const {
  if (!Exists()) return nullptr;
  switch (control) {
    case Control::lblMessage:
      return label_;
    case Control::cmdOK:
      return ok_;
    case Control::cmdCancel:
      return cancel_;
  }
  return nullptr;
}

UINT Win32Form::Dpi() const { return dpi_ ? dpi_ : 96; }
double Win32Form::ToPixels(double twips) const { return twips * Dpi() / kTwipsPerInch; }
double Win32Form::ToTwips(double pixels) const { return pixels * kTwipsPerInch / Dpi(); }

Bounds Win32Form::ControlBounds(Control control) const {
  const HWND c = ControlWindow(control);
  RECT r{};
  if (!c || !::GetWindowRect(c, &r)) return {};
  ::MapWindowPoints(nullptr, window_.get(), reinterpret_cast<POINT*>(&r), 2);
  return {static_cast<float>(ToTwips(r.left)), static_cast<float>(ToTwips(r.top)),
          static_cast<float>(ToTwips(r.right - r.left)),
          static_cast<float>(ToTwips(r.bottom - r.top))};
}

void Win32Form::MoveControl(Control control, float left, float top) {
  const HWND c = ControlWindow(control);
  if (!c) return;
  ::SetWindowPos(c, nullptr, RoundPixels(ToPixels(left)), RoundPixels(ToPixels(top)), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::SetVisible(Control control, bool visible) {
  const HWND c = ControlWindow(control);
  if (!c) return;
  if (!visible && ::GetFocus() == c) {
    // A hidden button keeps no focus: hand it to the other one, or to the window.
    const HWND next = FirstVisible({c == ok_ ? cancel_ : ok_});
    ::SetFocus(next ? next : window_.get());
  }
  ::ShowWindow(c, visible ? SW_SHOWNA : SW_HIDE);
}

SIZE Win32Form::FrameExtra() const {
  RECT outer{};
  RECT client{};
  if (::GetWindowRect(window_.get(), &outer) && ::GetClientRect(window_.get(), &client)) {
    return {(outer.right - outer.left) - client.right, (outer.bottom - outer.top) - client.bottom};
  }
  const RECT adjusted = ClientToOuter(RECT{0, 0, 0, 0}, Dpi());
  return {adjusted.right - adjusted.left, adjusted.bottom - adjusted.top};
}

// The controller reckons with the classic frame. Its outer rectangle ("model") has the real
// client size plus that frame's allowances and the same centre as the real outer rectangle,
// so its arithmetic gives the client area the margins it intends on any real frame. Since
// both frames are constant, model and real edges differ by a constant offset.
Bounds Win32Form::WindowBounds() const {
  RECT outer{};
  RECT client{};
  if (!Exists() || !::GetWindowRect(window_.get(), &outer) ||
      !::GetClientRect(window_.get(), &client)) {
    return {};
  }
  const double width = ToTwips(client.right) + kModelFrameWidth;
  const double height = ToTwips(client.bottom) + kModelFrameHeight;
  const double left = ToTwips(outer.left) + (ToTwips(outer.right - outer.left) - width) / 2;
  const double top = ToTwips(outer.top) + (ToTwips(outer.bottom - outer.top) - height) / 2;
  return {static_cast<float>(left), static_cast<float>(top), static_cast<float>(width),
          static_cast<float>(height)};
}

void Win32Form::SetWindowLeft(float left) {
  RECT outer{};
  if (!Exists() || !::GetWindowRect(window_.get(), &outer)) return;
  const double offset = (FrameExtra().cx - ToPixels(kModelFrameWidth)) / 2;
  ::SetWindowPos(window_.get(), nullptr, RoundPixels(ToPixels(left) - offset), outer.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::SetWindowTop(float top) {
  RECT outer{};
  if (!Exists() || !::GetWindowRect(window_.get(), &outer)) return;
  const double offset = (FrameExtra().cy - ToPixels(kModelFrameHeight)) / 2;
  ::SetWindowPos(window_.get(), nullptr, outer.left, RoundPixels(ToPixels(top) - offset), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::SetWindowWidth(float width) {
  RECT outer{};
  if (!Exists() || !::GetWindowRect(window_.get(), &outer)) return;
  const int requested = std::max(0, RoundPixels(ToPixels(width - kModelFrameWidth)));
  // Like a window system's minimum width: never so narrow that the title is cut off.
  const int client = std::max(requested, MinimumClientWidth());
  ::SetWindowPos(window_.get(), nullptr, 0, 0, client + FrameExtra().cx, outer.bottom - outer.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // A label narrower than a widened window spans it, so that its centred lines stay centred.
  RECT label{};
  if (client > requested && ::GetClientRect(label_, &label) && label.right < client) {
    ::SetWindowPos(label_, nullptr, 0, 0, client, label.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

int Win32Form::MinimumClientWidth() const {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return 0;
  const FontHandle captionFont(::CreateFontIndirectW(&metrics.lfCaptionFont));
  const FontDC dc(window_.get(), captionFont.get());
  SIZE title{};
  if (!dc.get() || !::GetTextExtentPoint32W(dc.get(), kWindowTitle, static_cast<int>(std::size(kWindowTitle)) - 1,
                                            &title)) {
    return 0;
  }
  // The title bar spans the client area's width and also holds the small icon and the close
  // box, with a little air between.
  return title.cx + ::GetSystemMetrics(SM_CXSMICON) + metrics.iCaptionWidth +
         static_cast<int>(std::lround(ToPixels(kTitleAirTwips)));
}

void Win32Form::SetWindowHeight(float height) {
  RECT outer{};
  if (!Exists() || !::GetWindowRect(window_.get(), &outer)) return;
  const int client = std::max(0, RoundPixels(ToPixels(height - kModelFrameHeight)));
  ::SetWindowPos(window_.get(), nullptr, 0, 0, outer.right - outer.left, client + FrameExtra().cy,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScreenSize Win32Form::Screen() const {
  if (!Exists()) return {};
  return {static_cast<float>(ToTwips(::GetSystemMetrics(SM_CXSCREEN))),
          static_cast<float>(ToTwips(::GetSystemMetrics(SM_CYSCREEN)))};
}

void Win32Form::Show() {
  if (!Exists()) return;
  ::ShowWindow(window_.get(), SW_SHOW);
  ::UpdateWindow(window_.get());
}

void Win32Form::Repaint() {
  if (!Exists()) return;
  ::RedrawWindow(window_.get(), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

void Win32Form::Unload() { Close(vbFormCode); }

void Win32Form::Close(int unloadMode) {
  if (!Exists()) return;
  int cancel = 0;
  events_.Form_QueryUnload(cancel, unloadMode);
  // The handler may have yielded, and the window may have gone meanwhile.
  if (cancel == 0 && Exists()) window_.reset();
}

void Win32Form::DoEvents(std::chrono::milliseconds idleWait, NativeWaitable wakeOn) {
  const auto wait = std::clamp<std::chrono::milliseconds::rep>(idleWait.count(), 0, INFINITE - 1);
  WaitThenDoEvents(static_cast<DWORD>(wait), reinterpret_cast<HANDLE>(wakeOn));
}

void Win32Form::OnDpiChanged(UINT newDpi, const RECT& suggested) {
  if (newDpi == 0) return;
  const double scale = static_cast<double>(newDpi) / Dpi();
  for (HWND control : {label_, ok_, cancel_}) {
    RECT r{};
    if (!control || !::GetWindowRect(control, &r)) continue;
    ::MapWindowPoints(nullptr, window_.get(), reinterpret_cast<POINT*>(&r), 2);
    const int left = RoundPixels(r.left * scale);
    const int top = RoundPixels(r.top * scale);
    ::SetWindowPos(control, nullptr, left, top, RoundPixels(r.right * scale) - left,
                   RoundPixels(r.bottom * scale) - top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  dpi_ = newDpi;
  CreateFonts();
  AutoSizeLabel();
  ::SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top,
                 suggested.right - suggested.left, suggested.bottom - suggested.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32Form* self = nullptr;
  if (message == WM_NCCREATE) {
    self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->window_ = WindowHandle(window);
  } else {
    self = reinterpret_cast<Win32Form*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  }
  if (!self) return ::DefWindowProcW(window, message, wParam, lParam);
  if (message == WM_NCDESTROY) {
    ::SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    self->window_.release();
    self->label_ = self->ok_ = self->cancel_ = self->lastFocus_ = nullptr;
    return ::DefWindowProcW(window, message, wParam, lParam);
  }
  try {
    return self->HandleMessage(message, wParam, lParam);
  } catch (...) {
    // A handler's failure must not unwind through the window system's frames.
    ::OutputDebugStringW(L"TarnwellUpdate: a window handler failed\n");
    return 0;
  }
}

LRESULT Win32Form::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  const HWND window = window_.get();
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
        DrawLabel(*item);
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
