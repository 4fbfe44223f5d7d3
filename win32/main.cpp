// The program's entry point: the window frmDllLoadTest is the start-up object.

#include <windows.h>

#include "app/frmDllLoadTest.h"
#include "win32/MessagePump.h"
#include "win32/Win32Form.h"
#include "win32/Win32System.h"

namespace {

// Libraries are loaded from the system folder only, never from the program's own folder, where
// a planted copy could lie. Looked up at run time: Windows 7 has it only with an update.
void LoadLibrariesFromSystemFolderOnly() {
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return;
  const auto proc = reinterpret_cast<SetDefaultDllDirectoriesFn>(
      reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
  if (proc) proc(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  LoadLibrariesFromSystemFolderOnly();

  tarnwell::win32::Win32System system;
  tarnwell::frmDllLoadTest controller(system);
  controller.Form_Initialize();
  tarnwell::win32::Win32Form form(controller, instance);
  controller.Form_Load(form);
  if (form.Exists()) tarnwell::win32::RunUntilDestroyed(form.Window());
  return static_cast<int>(controller.Result());
}
