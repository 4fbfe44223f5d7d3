#pragma once
// The scale a window is drawn at. The per-window functions are newer than Windows 7 and are
// looked up at run time; where they are missing, the screen's scale serves.

#include <windows.h>

namespace tarnwell::platform {

inline constexpr UINT kDefaultDpi = 96;

// The screen's logical DPI (the system DPI).
UINT ScreenDpi();
// The DPI of the monitor `window` is on, where the system can tell; else the screen's.
UINT WindowDpi(HWND window);
// The title bar's metrics (caption font, button sizes) as a window at `dpi` has them.
NONCLIENTMETRICSW NonClientMetricsForDpi(UINT dpi);
// A system metric as a window at `dpi` has it.
int SystemMetricForDpi(int index, UINT dpi);
// The outer rectangle of a window with `style` whose client area is `client`, at `dpi`.
RECT OuterForClient(const RECT& client, DWORD style, DWORD exStyle, UINT dpi);

}  // namespace tarnwell::platform
