#pragma once
// The message a move to a monitor of another scale brings, as the window tests send it.

#include <windows.h>

#include "platform/Dpi.h"

namespace tarnwell::win32 {

// WM_DPICHANGED for `newDpi`, with the rectangle the system suggests: the same top-left corner,
// the client area scaled, the frame of the new scale around it.
inline void MoveToScale(HWND window, UINT newDpi, UINT oldDpi) {
  RECT outer{};
  RECT client{};
  ::GetWindowRect(window, &outer);
  ::GetClientRect(window, &client);
  const RECT scaled{0, 0, ::MulDiv(client.right, newDpi, oldDpi),
                    ::MulDiv(client.bottom, newDpi, oldDpi)};
  RECT suggested =
      platform::OuterForClient(scaled, static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE)),
                               static_cast<DWORD>(::GetWindowLongW(window, GWL_EXSTYLE)), newDpi);
  ::OffsetRect(&suggested, outer.left - suggested.left, outer.top - suggested.top);
  ::SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(newDpi, newDpi),
                 reinterpret_cast<LPARAM>(&suggested));
}

}  // namespace tarnwell::win32
