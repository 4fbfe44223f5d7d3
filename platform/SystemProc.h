#pragma once
// Typed look-up of an exported function, for entry points a program must not import: newer
// than the oldest system it runs on, or in a DLL it loads itself from the system folder.

#include <windows.h>

namespace tarnwell::platform {

// `name` from `module` as a pointer of type Fn; nullptr when either is missing.
template <typename Fn>
Fn ProcAddress(HMODULE module, const char* name) {
  if (!module) return nullptr;
  // Through void(*)(): the one cast between function pointer types that round-trips, and the
  // one GCC accepts from FARPROC without a warning.
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(::GetProcAddress(module, name)));
}

// The same from a DLL the process has loaded already (kernel32, user32); never loads one.
template <typename Fn>
Fn LoadedProc(const wchar_t* module, const char* name) {
  return ProcAddress<Fn>(::GetModuleHandleW(module), name);
}

}  // namespace tarnwell::platform
