#include "tests/support/WindowText.h"

#include <algorithm>
#include <array>

namespace tarnwell::testing {
namespace {

constexpr UINT kAnswerTimeoutMs = 2000;

}  // namespace

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (::SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                            &length)) {
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (::SendMessageTimeoutW(window, WM_GETTEXT, text.size(),
                              reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                              kAnswerTimeoutMs, &copied)) {
      text.resize(std::min<std::size_t>(copied, length));
      return text;
    }
  }
  std::wstring text(32768, L'\0');
  text.resize(static_cast<std::size_t>(
      std::max(::GetWindowTextW(window, text.data(), static_cast<int>(text.size())), 0)));
  return text;
}

std::wstring ClassOf(HWND window) {
  std::array<wchar_t, 256> name{};
  const int length = ::GetClassNameW(window, name.data(), static_cast<int>(name.size()));
  return std::wstring(name.data(), static_cast<std::size_t>(std::max(length, 0)));
}

}  // namespace tarnwell::testing
