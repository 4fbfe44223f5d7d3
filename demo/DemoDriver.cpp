// Plays the user in the demo when nobody is watching: waits for the program's window,
// saves a picture of every state it shows, presses OK where a user would, and stops when
// the window has gone.
//
//   demo_driver.exe <folder for the pictures>
//
// Pictures are 24-bit BMP files named <n>-<state>.bmp; the demo script turns them into PNG.

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "win32/UniqueHandle.h"

namespace {

using tarnwell::win32::FileHandle;

constexpr wchar_t kTitle[] = L"Quandrel.dll  Update";
constexpr int kLabelId = 100;
constexpr int kOkId = 101;
constexpr DWORD kPollMs = 50;
constexpr DWORD kAppearLimitMs = 60'000;
constexpr DWORD kRunLimitMs = 180'000;
// A new state is pictured once it has been painted.
constexpr DWORD kPaintSettleMs = 400;

std::wstring LabelText(HWND window) {
  const HWND label = ::GetDlgItem(window, kLabelId);
  std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(label)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(::GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
  return text;
}

const wchar_t* StateOf(const std::wstring& text) {
  if (text.starts_with(L"The current Quandrel.dll \r\n")) return L"offer";
  if (text.starts_with(L"Waiting for")) return L"waiting";
  if (text.starts_with(L"Update in progress")) return L"progress";
  return L"result";
}

// Saves what the screen shows inside the window's outer rectangle.
bool SavePicture(HWND window, const std::wstring& path) {
  RECT r{};
  if (!::GetWindowRect(window, &r)) return false;
  const int width = r.right - r.left;
  const int height = r.bottom - r.top;
  const HDC screen = ::GetDC(nullptr);
  const HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = ::SelectObject(memory, bitmap);
  const bool copied = ::BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  ::GdiFlush();
  ::SelectObject(memory, previous);

  bool written = false;
  if (copied) {
    const DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    const DWORD imageSize = stride * static_cast<DWORD>(height);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = header.bfOffBits + imageSize;
    const FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD done = 0;
    written = file && ::WriteFile(file.get(), &header, sizeof header, &done, nullptr) &&
              ::WriteFile(file.get(), &info.bmiHeader, sizeof info.bmiHeader, &done, nullptr) &&
              ::WriteFile(file.get(), bits, imageSize, &done, nullptr);
  }
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return written;
}

HWND WaitForWindow() {
  for (DWORD waited = 0; waited < kAppearLimitMs; waited += kPollMs) {
    const HWND window = ::FindWindowW(nullptr, kTitle);
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
      const std::wstring path = folder + L"\\" + std::to_wstring(++pictures) + L"-" + state + L".bmp";
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
