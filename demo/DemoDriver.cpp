// Plays the user in the demo when nobody is watching: waits for the program's window,
// saves a picture of every state it shows, presses OK where a user would, and stops when
// the window has gone.
//
//   demo_driver.exe <folder for the pictures>
//
// Pictures are BMP files named <n>-<state>.bmp; the demo script turns them into PNG.

#include <windows.h>

#include <cstdio>
#include <string>

#include "app/StatusTexts.h"
#include "platform/WideText.h"
#include "platform/WindowContract.h"
#include "tests/support/Capture.h"
#include "tests/support/WindowText.h"

namespace {

using tarnwell::platform::kLabelId;
using tarnwell::platform::kOkId;
using tarnwell::platform::kWindowTitle;

constexpr DWORD kPollMs = 50;
constexpr DWORD kAppearLimitMs = 60'000;
constexpr DWORD kRunLimitMs = 180'000;
// A new state is pictured once it has been painted.
constexpr DWORD kPaintSettleMs = 400;

std::wstring LabelText(HWND window) {
  return tarnwell::testing::TextOf(::GetDlgItem(window, kLabelId));
}

const wchar_t* StateOf(const std::wstring& text) {
  using tarnwell::platform::Widen;
  namespace texts = tarnwell::texts;
  const std::wstring offer = Widen(texts::ConfirmUpdate("", ""));
  if (text.starts_with(offer.substr(0, offer.find(L"\r\n") + 2))) return L"offer";
  if (text == Widen(texts::WaitingForIde())) return L"waiting";
  if (text == Widen(texts::UpdateInProgress())) return L"progress";
  return L"result";
}

// Saves what the screen shows inside the window's outer rectangle.
bool SavePicture(HWND window, const std::wstring& path) {
  RECT r{};
  return ::GetWindowRect(window, &r) &&
         tarnwell::testing::SaveBitmap(tarnwell::testing::CaptureScreen(r), path);
}

HWND WaitForWindow() {
  for (DWORD waited = 0; waited < kAppearLimitMs; waited += kPollMs) {
    const HWND window = ::FindWindowW(nullptr, kWindowTitle);
    if (window && ::IsWindowVisible(window)) return window;
    ::Sleep(kPollMs);
  }
  return nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    std::fputs("usage: demo_driver <folder for the pictures>\n", stderr);
    return 2;
  }
  const std::wstring folder = argv[1];
  const HWND window = WaitForWindow();
  if (!window) {
    std::fputs("demo: the program's window did not appear\n", stderr);
    return 1;
  }

  std::wstring shown;
  int pictures = 0;
  for (DWORD waited = 0; ::IsWindow(window) && waited < kRunLimitMs; waited += kPollMs) {
    const std::wstring text = LabelText(window);
    if (!text.empty() && text != shown && ::IsWindowVisible(window)) {
      shown = text;
      ::Sleep(kPaintSettleMs);
      waited += kPaintSettleMs;
      if (!::IsWindow(window)) break;
      const std::wstring state = StateOf(text);
      const std::wstring path =
          folder + L"\\" + std::to_wstring(++pictures) + L"-" + state + L".bmp";
      SavePicture(window, path);
      // Where a user would read the text and press OK, so does the demo.
      if (state == L"offer" || state == L"result") {
        ::PostMessageW(::GetDlgItem(window, kOkId), BM_CLICK, 0, 0);
      }
    }
    ::Sleep(kPollMs);
  }
  return ::IsWindow(window) ? 1 : 0;
}
