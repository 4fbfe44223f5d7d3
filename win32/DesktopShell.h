#pragma once
// Starts a program through the desktop's shell, which runs as the desktop's ordinary user:
// the way an elevated program starts another without handing on its rights.

#include <windows.h>

#include <string>

namespace tarnwell::win32 {

// Opens `file` with `folder` as its working folder; false when there is no desktop shell to
// ask (no shell window, or COM refuses) or it declines.
bool OpenAsDesktopUser(const std::wstring& file, const std::wstring& folder);

}  // namespace tarnwell::win32
