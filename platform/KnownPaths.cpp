#include "platform/KnownPaths.h"

#include <windows.h>

namespace tarnwell::platform {

std::wstring ExecutablePath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer means the name was cut short (the error code differs between systems).
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
}

std::wstring SystemDirectory() {
  const UINT needed = ::GetSystemDirectoryW(nullptr, 0);
  if (needed == 0) return {};
  std::wstring folder(needed, L'\0');
  const UINT length = ::GetSystemDirectoryW(folder.data(), needed);
  if (length == 0 || length >= needed) return {};
  folder.resize(length);
  return folder;
}

}  // namespace tarnwell::platform
