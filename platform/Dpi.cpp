#include "platform/Dpi.h"

#include "platform/SystemProc.h"

namespace tarnwell::platform {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using SystemParametersInfoForDpiFn = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// Where the per-DPI functions are missing, the system's values scaled from its own DPI.
int FromScreenDpi(int value, UINT dpi) {
  return ::MulDiv(value, static_cast<int>(dpi), static_cast<int>(ScreenDpi()));
}

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

NONCLIENTMETRICSW NonClientMetricsForDpi(UINT dpi) {
  static const auto forDpi =
      LoadedProc<SystemParametersInfoForDpiFn>(L"user32.dll", "SystemParametersInfoForDpi");
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (forDpi && forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi)) return metrics;
  metrics = {};
  metrics.cbSize = sizeof metrics;
  if (!::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return {};
  metrics.lfCaptionFont.lfHeight = FromScreenDpi(metrics.lfCaptionFont.lfHeight, dpi);
  metrics.iCaptionWidth = FromScreenDpi(metrics.iCaptionWidth, dpi);
  metrics.iCaptionHeight = FromScreenDpi(metrics.iCaptionHeight, dpi);
  return metrics;
}

int SystemMetricForDpi(int index, UINT dpi) {
  static const auto forDpi =
      LoadedProc<GetSystemMetricsForDpiFn>(L"user32.dll", "GetSystemMetricsForDpi");
  if (forDpi) return forDpi(index, dpi);
  return FromScreenDpi(::GetSystemMetrics(index), dpi);
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
