#include "platform/Dpi.h"

#include "platform/SystemProc.h"

namespace tarnwell::platform {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);

}  // namespace

UINT ScreenDpi() {
  const HDC screen = ::GetDC(nullptr);
  if (!screen) return kDefaultDpi;
  const int dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
  ::ReleaseDC(nullptr, screen);
  return dpi > 0 ? static_cast<UINT>(dpi) : kDefaultDpi;
}

UINT WindowDpi(HWND window) {
  static const auto forWindow = LoadedProc<GetDpiForWindowFn>(L"user32.dll", "GetDpiForWindow");
  if (forWindow && window) {
    if (const UINT dpi = forWindow(window); dpi != 0) return dpi;
  }
  return ScreenDpi();
}

RECT OuterForClient(const RECT& client, DWORD style, DWORD exStyle, UINT dpi) {
  static const auto forDpi =
      LoadedProc<AdjustWindowRectExForDpiFn>(L"user32.dll", "AdjustWindowRectExForDpi");
  RECT outer = client;
  if (!forDpi || !forDpi(&outer, style, FALSE, exStyle, dpi)) {
    outer = client;
    ::AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  }
  return outer;
}

}  // namespace tarnwell::platform
