#include "services/modGlobal.h"

#include <windows.h>

#include <array>
#include <string_view>

#include "platform/MessagePump.h"
#include "platform/UniqueHandle.h"
#include "platform/WideText.h"

namespace tarnwell::modGlobal {
namespace {

HWND ToHwnd(NativeWindow window) { return reinterpret_cast<HWND>(window); }

// A search that merely finds nothing leaves 0 under Wine and may leave ERROR_FILE_NOT_FOUND
// elsewhere; neither is a failure worth a box. Nor is ERROR_INVALID_WINDOW_HANDLE: some window
// on the desktop closed while the search read its title, which happens whenever the IDE closes
// during our wait for it.
bool IsNothingFound(DWORD error) {
  return error == ERROR_SUCCESS || error == ERROR_FILE_NOT_FOUND ||
         error == ERROR_INVALID_WINDOW_HANDLE;
}

std::string SystemMessage(DWORD error) {
  std::array<wchar_t, 512> buffer{};
  const DWORD length =
      ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr);
  std::wstring_view text(buffer.data(), length);
  while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
    text.remove_suffix(1);
  }
  return text.empty() ? "Unknown error" : platform::Narrow(text);
}

}  // namespace

bool FileExists(const std::string& path) {
  // The platform's search rejects these too; answering here keeps that true everywhere.
  if (path.empty() || path.back() == '\\' || path.back() == '/') return false;
  WIN32_FIND_DATAW found{};
  const platform::FindHandle search(::FindFirstFileW(platform::Widen(path).c_str(), &found));
  return static_cast<bool>(search);
}

void SetTopMost(NativeWindow window, bool topmost) {
  ::SetWindowPos(ToHwnd(window), topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_SHOWWINDOW);
}

bool IsTaskRunning(Report& report, const std::string& caption) {
  const std::wstring title = platform::Widen(caption);
  ::SetLastError(ERROR_SUCCESS);
  const HWND found = ::FindWindowW(nullptr, title.c_str());
  const DWORD error = ::GetLastError();
  if (found != nullptr) return true;
  if (!IsNothingFound(error)) {
    const RuntimeError failure{static_cast<std::int32_t>(error), kAppTitle, SystemMessage(error)};
    ShowError(report, failure, caption, "IsTaskRunning");
  }
  return false;
}

std::int16_t EndTask(Report& report, const std::string& caption) {
  const HWND window = ::FindWindowW(nullptr, platform::Widen(caption).c_str());
  if (window == nullptr) return 0;
  if (!::IsWindow(window)) {
    ShowMessage(report, "EndTask: cannot terminate " + caption + " task");
    return 0;
  }
  const auto style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
  if ((style & WS_DISABLED) == 0) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    platform::DoEvents();
  }
  return -1;
}

void ShowError(Report& report, const RuntimeError& error, const std::string& subject,
               const std::string& procedure) {
  report.Box(ErrorMessageTitle(subject, procedure), ErrorMessageText(error), BoxIcon::Error);
}

void ShowMessage(Report& report, const std::string& text) {
  report.Box(kAppTitle, text, BoxIcon::None);
}

void ShowBox(NativeWindow owner, const std::string& title, const std::string& text, BoxIcon icon) {
  ::MessageBoxW(ToHwnd(owner), platform::Widen(text).c_str(), platform::Widen(title).c_str(),
                icon == BoxIcon::Error ? MB_OK | MB_ICONERROR : MB_OK);
}

}  // namespace tarnwell::modGlobal
