#include "win32/NormalUserLaunch.h"

#include <winsafer.h>

#include "platform/Trace.h"

namespace tarnwell::win32 {

platform::KernelHandle LaunchAsNormalUser(const std::wstring& program,
                                          const std::wstring& workingFolder, int showCommand) {
  platform::SaferLevel level;
  if (!::SaferCreateLevel(SAFER_SCOPEID_USER, SAFER_LEVELID_NORMALUSER, SAFER_LEVEL_OPEN,
                          level.put(), nullptr)) {
    platform::TraceFailure(L"SaferCreateLevel", ::GetLastError());
    return {};
  }
  // No token given: the level is applied to our own.
  platform::KernelHandle token;
  if (!::SaferComputeTokenFromLevel(level.get(), nullptr, token.put(), 0, nullptr)) {
    platform::TraceFailure(L"SaferComputeTokenFromLevel", ::GetLastError());
    return {};
  }
  return LaunchWithToken(token.get(), program, workingFolder, showCommand);
}

platform::KernelHandle LaunchWithToken(HANDLE token, const std::wstring& program,
                                       const std::wstring& workingFolder, int showCommand) {
  // The call may write into the command line, so it gets a copy of its own.
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showCommand);
  PROCESS_INFORMATION info{};
  if (!::CreateProcessAsUserW(token, program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                              0, nullptr, workingFolder.c_str(), &startup, &info)) {
    platform::TraceFailure(L"CreateProcessAsUserW", ::GetLastError());
    return {};
  }
  const platform::KernelHandle thread(info.hThread);
  return platform::KernelHandle(info.hProcess);
}

}  // namespace tarnwell::win32
