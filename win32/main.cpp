// The program's entry point: it creates the controller and its window, runs the start-up check
// and then the window's messages until the window is gone.

#include <windows.h>

#include "app/frmDllLoadTest.h"
#include "platform/MessagePump.h"
#include "platform/SystemProc.h"
#include "platform/Trace.h"
#include "win32/Win32Form.h"
#include "win32/Win32System.h"

namespace {

// Libraries are loaded from the system folder only, never from the program's own folder, where
// a planted copy could lie. Looked up at run time: Windows 7 has it only with an update.
void LoadLibrariesFromSystemFolderOnly() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto proc = tarnwell::platform::LoadedProc<SetDefaultDllDirectoriesFn>(
      L"kernel32.dll", "SetDefaultDllDirectories");
  if (!proc || !proc(LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    tarnwell::platform::TraceFailure(L"SetDefaultDllDirectories", ::GetLastError());
  }
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
