// The program's entry point: it creates the controller and its window, runs the start-up check
// and then the window's messages until the window is gone.

#include <windows.h>

#include "app/frmDllLoadTest.h"
#include "platform/DllSearch.h"
#include "platform/MessagePump.h"
#include "platform/SystemProc.h"
#include "win32/Win32Form.h"
#include "win32/Win32System.h"

namespace {

// Libraries are loaded from the system folder only, never from the program's own folder, where
// a planted copy could lie. Looked up at run time: Windows 7 has it only with an update, and
// without it the current folder at least leaves the search.
void LoadLibrariesFromSystemFolderOnly() {
  tarnwell::platform::RestrictDllSearch(
      tarnwell::platform::LoadedProc<tarnwell::platform::SetDefaultDllDirectoriesFn>(
          L"kernel32.dll", "SetDefaultDllDirectories"));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  LoadLibrariesFromSystemFolderOnly();

  tarnwell::win32::Win32System system;
  tarnwell::frmDllLoadTest controller(system);
  controller.Form_Initialize();
  tarnwell::win32::Win32Form form(controller, instance);
  controller.Form_Load(form);
  if (form.Exists()) tarnwell::platform::RunUntilDestroyed(form.Window());
  return static_cast<int>(controller.Result());
}
