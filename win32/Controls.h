#pragma once
// The pieces the window is built from: its class, its child controls and their fonts.

#include <windows.h>

#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

inline constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
inline constexpr DWORD kFormExStyle = 0;

// Registers the window's class with the program's icon; a class already there is fine.
void RegisterFormClass(HINSTANCE instance, WNDPROC procedure);

// A child control of `parent` at `pixels` (left, top, right, bottom in client coordinates).
HWND CreateControl(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style,
                   const RECT& pixels, int id);

// The dialog manager makes a push button the default one when Tab brings it the focus, and
// Enter then clicks it. This button refuses that role for the rest of its life.
void MakeNeverDefault(HWND button);

// The bold face the window's controls are designed with, `points` high at `dpi`.
platform::FontHandle MakeBoldFont(const wchar_t* face, double points, UINT dpi);

}  // namespace tarnwell::win32
