#pragma once
// Where the program's libraries come from: the system folder only, never the program's own
// folder or the current one, where a planted copy could lie. Also on a Windows 7 without the
// update that brought SetDefaultDllDirectories and the LOAD_LIBRARY_SEARCH_* flags.

#include <windows.h>

#include "platform/UniqueHandle.h"

namespace tarnwell::platform {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Limits every later load to the system folder through `setDefaultDllDirectories` (looked up
// by the caller, nullptr where the system lacks it). Without it, or when it fails, takes at
// least the current folder out of the search path. False when neither could be done.
bool RestrictDllSearch(SetDefaultDllDirectoriesFn setDefaultDllDirectories);

// The library `name` (a bare file name such as L"version.dll") from the system folder:
// through LOAD_LIBRARY_SEARCH_SYSTEM32, else by LoadFromSystemFolder. Empty when neither works.
ModuleHandle LoadSystemLibrary(const wchar_t* name);

// The fallback on its own: `name` loaded by its full path in the system folder, never by a bare
// name a search could resolve elsewhere.
ModuleHandle LoadFromSystemFolder(const wchar_t* name);

}  // namespace tarnwell::platform
