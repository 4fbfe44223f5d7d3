#include "win32/system/Win32Tasks.h"

#include "platform/WideText.h"
#include "services/modGlobal.h"
#include "win32/system/Win32Process.h"

namespace tarnwell::win32 {

bool Win32Tasks::IsTaskRunning(const std::string& caption) {
  return modGlobal::IsTaskRunning(report_, caption);
}

std::int16_t Win32Tasks::EndTask(const std::string& caption) {
  return modGlobal::EndTask(report_, caption);
}

std::unique_ptr<Process> Win32Tasks::OpenTaskProcess(const std::string& caption) {
  const HWND window = ::FindWindowW(nullptr, platform::Widen(caption).c_str());
  if (!window) return nullptr;
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId == 0) return nullptr;
  platform::KernelHandle process(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return nullptr;
  return std::make_unique<Win32Process>(std::move(process));
}

}  // namespace tarnwell::win32
