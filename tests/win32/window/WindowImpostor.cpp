// Another program than the tests, with the tests' window helper (WindowHelper.h): a window of
// any class and title, in a process that does not run the program's executable.
#include <windows.h>
#include <shellapi.h>

#include "platform/UniqueHandle.h"
#include "tests/win32/window/WindowHelper.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int count = 0;
  const tarnwell::platform::LocalMemory<wchar_t**> argv(
      ::CommandLineToArgvW(::GetCommandLineW(), &count));
  if (!argv || count != 6 ||
      std::wstring_view(argv.get()[1]) != tarnwell::testing::kWindowHelperSwitch)
    return 1;
  wchar_t** a = argv.get();
  return tarnwell::testing::RunWindowHelper(a[2], a[3], a[4], a[5]);
}
