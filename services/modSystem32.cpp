#include "services/modSystem32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <array>

#include "win32/UniqueHandle.h"
#include "win32/WideText.h"

namespace tarnwell::modSystem32 {

std::string GetSpecialFolder(NativeWindow owner, int folderId) {
  win32::Pidl items;
  if (::SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), folderId, items.put()) != S_OK ||
      !items) {
    return "";
  }
  std::array<wchar_t, MAX_PATH> buffer;
  buffer.fill(L' ');  // blanks, never stale memory, should the platform write no terminator
  if (!::SHGetPathFromIDListW(items.get(), buffer.data())) return "";
  const auto end = std::find(buffer.begin(), buffer.end(), L'\0');
  const auto length = static_cast<std::size_t>(end - buffer.begin());
  return win32::Narrow(std::wstring_view(buffer.data(), length));
}

std::string GetSystemFolder(NativeWindow owner) {
  return GetSpecialFolder(owner, CSIDL_SYSTEMX86_ID);
}

std::string GetProgramFilesFolder(NativeWindow owner) {
  return GetSpecialFolder(owner, CSIDL_PROGRAM_FILES_ID);
}

}  // namespace tarnwell::modSystem32
