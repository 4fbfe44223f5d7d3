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

struct MessageHandling {
  MessageRecorder record;
  bool show = true;
};

MessageHandling& Handling() {
  static MessageHandling handling;
  return handling;
}

// Boxes are owned by this thread's active window, if any: the main window is topmost, and an
// unowned box could open hidden behind it.
void Box(const std::string& text, const std::string& title, UINT style) {
  const MessageHandling& handling = Handling();
  if (handling.record) handling.record(title, text);
  if (!handling.show) return;
  ::MessageBoxW(::GetActiveWindow(), platform::Widen(text).c_str(), platform::Widen(title).c_str(),
                style);
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

bool IsTaskRunning(const std::string& caption) {
  const std::wstring title = platform::Widen(caption);
  ::SetLastError(ERROR_SUCCESS);
  const HWND found = ::FindWindowW(nullptr, title.c_str());
  const DWORD error = ::GetLastError();
  if (found != nullptr) return true;
  if (!IsNothingFound(error)) {
    const RuntimeError failure{static_cast<std::int32_t>(error), kAppTitle, SystemMessage(error)};
    ShowError(failure, caption, "IsTaskRunning");
  }
  return false;
}

std::int16_t EndTask(const std::string& caption) {
  const HWND window = ::FindWindowW(nullptr, platform::Widen(caption).c_str());
  if (window == nullptr) return 0;
  if (!::IsWindow(window)) {
    ShowMessage("EndTask: cannot terminate " + caption + " task");
    return 0;
  }
  const auto style = static_cast<DWORD>(::GetWindowLongW(window, GWL_STYLE));
  if ((style & WS_DISABLED) == 0) {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    platform::DoEvents();
  }
  return -1;
}

void ShowError(const RuntimeError& error, const std::string& subject,
               const std::string& procedure) {
  Box(ErrorMessageText(error), ErrorMessageTitle(subject, procedure), MB_OK | MB_ICONERROR);
}

void ShowMessage(const std::string& text) { Box(text, kAppTitle, MB_OK); }

void SetMessageHandling(MessageRecorder record, bool show) {
  Handling() = {std::move(record), show};
}

}  // namespace tarnwell::modGlobal
