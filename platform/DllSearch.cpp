#include "platform/DllSearch.h"

#include <string>

#include "platform/KnownPaths.h"
#include "platform/Trace.h"

namespace tarnwell::platform {

bool RestrictDllSearch(SetDefaultDllDirectoriesFn setDefaultDllDirectories) {
  if (setDefaultDllDirectories) {
    if (setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32)) return true;
    TraceFailure(L"SetDefaultDllDirectories", ::GetLastError());
  }
  // An empty DLL directory removes the current folder from the search; the program's own folder
  // stays, but the program loads nothing by a bare name (LoadSystemLibrary).
  if (::SetDllDirectoryW(L"")) return true;
  TraceFailure(L"SetDllDirectoryW", ::GetLastError());
  return false;
}

ModuleHandle LoadSystemLibrary(const wchar_t* name) {
  ModuleHandle module(::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32));
  if (module) return module;
  // ERROR_INVALID_PARAMETER where the system does not know the flag.
  TraceFailure(L"LoadLibraryExW(LOAD_LIBRARY_SEARCH_SYSTEM32)", ::GetLastError());
  return LoadFromSystemFolder(name);
}

ModuleHandle LoadFromSystemFolder(const wchar_t* name) {
  std::wstring path = SystemDirectory();
  if (path.empty()) {
    TraceFailure(L"GetSystemDirectoryW", ::GetLastError());
    return ModuleHandle();
  }
  path += L'\\';
  path += name;
  // Its own imports are then looked for beside it first, in the system folder as well.
  ModuleHandle module(::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!module) TraceFailure(L"LoadLibraryExW(system folder path)", ::GetLastError());
  return module;
}

}  // namespace tarnwell::platform
