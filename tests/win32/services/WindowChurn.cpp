// A desktop where windows come and go: creates and destroys top-level windows titled by the
// first argument, one after another, until the milliseconds given as the second have passed.
// Some stay until the end: the first of them tells the starter that the churn has begun, and
// together they lengthen every search of the desktop. Each passing window goes to the bottom,
// where a search reads it last, so that it is often gone by the time its title is read.

#include <windows.h>
#include <shellapi.h>

#include <cwchar>

namespace {

constexpr wchar_t kClassName[] = L"TarnwellWindowChurn";

HWND Create(HINSTANCE instance, const wchar_t* title) {
  return ::CreateWindowExW(0, kClassName, title, WS_OVERLAPPED, 0, 0, 80, 40, nullptr, nullptr,
                           instance, nullptr);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  int argc = 0;
  wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
  if (!argv || argc < 3) return 2;
  const wchar_t* title = argv[1];
  const ULONGLONG end = ::GetTickCount64() + std::wcstoul(argv[2], nullptr, 10);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = kClassName;
  if (!::RegisterClassExW(&windowClass)) return 1;

  constexpr int kStaying = 40;
  for (int i = 0; i < kStaying; ++i)
    if (!Create(instance, title)) return 1;
  while (::GetTickCount64() < end) {
    if (const HWND passing = Create(instance, title)) {
      ::SetWindowPos(passing, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      ::DestroyWindow(passing);
    }
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&message);
  }
  ::LocalFree(argv);
  return 0;
}
