#include "services/modSystem32.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <array>

#include "platform/UniqueHandle.h"
#include "platform/WideText.h"

namespace tarnwell::modSystem32 {

std::string GetSpecialFolder(Report& report, NativeWindow owner, int folderId) {
  platform::Pidl items;
  const HRESULT located =
      ::SHGetSpecialFolderLocation(reinterpret_cast<HWND>(owner), folderId, items.put());
  if (located != S_OK || !items) {
    report.Trace("SHGetSpecialFolderLocation", static_cast<std::uint32_t>(located), true);
    return "";
  }
  std::array<wchar_t, MAX_PATH> buffer;
  buffer.fill(L' ');  // blanks, never stale memory, should the platform write no terminator
  if (!::SHGetPathFromIDListW(items.get(), buffer.data())) {
    report.Trace("SHGetPathFromIDListW", ::GetLastError());
    return "";
  }
  const auto end = std::find(buffer.begin(), buffer.end(), L'\0');
  const auto length = static_cast<std::size_t>(end - buffer.begin());
  return platform::Narrow(std::wstring_view(buffer.data(), length));
}

std::string GetSystemFolder(Report& report, NativeWindow owner) {
  return GetSpecialFolder(report, owner, CSIDL_SYSTEMX86_ID);
}

std::string GetProgramFilesFolder(Report& report, NativeWindow owner) {
  return GetSpecialFolder(report, owner, CSIDL_PROGRAM_FILES_ID);
}

}  // namespace tarnwell::modSystem32
