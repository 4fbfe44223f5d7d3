#pragma once
// Reading a window, of this process or another.

#include <windows.h>

#include <string>

namespace tarnwell::testing {

// The window's text as the window itself answers it (WM_GETTEXT, which reaches a control of
// another process too). A window too busy to answer within two seconds gives the text the
// window manager keeps instead, so a hung program cannot hang the test.
std::wstring TextOf(HWND window);
std::wstring ClassOf(HWND window);

}  // namespace tarnwell::testing
