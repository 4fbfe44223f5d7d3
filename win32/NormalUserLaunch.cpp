#include "win32/NormalUserLaunch.h"

#include <winsafer.h>

#include "platform/Trace.h"

namespace tarnwell::win32 {

namespace {

// A normal-user token computed from our own: the Administrators group for deny only, the
// administrator privileges gone.
platform::KernelHandle SaferNormalUserToken() {
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
  return token;
}

// The limited twin an elevated token carries: the same user as the desktop's, unelevated. Only
// where it comes as more than an identification token can a process be started with it.
platform::KernelHandle LimitedTwinToken() {
  platform::KernelHandle own;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, own.put())) return {};
  TOKEN_ELEVATION_TYPE type{};
  DWORD size = 0;
  if (!::GetTokenInformation(own.get(), TokenElevationType, &type, sizeof type, &size) ||
      type != TokenElevationTypeFull) {
    return {};
  }
  TOKEN_LINKED_TOKEN linked{};
  if (!::GetTokenInformation(own.get(), TokenLinkedToken, &linked, sizeof linked, &size)) {
    platform::TraceFailure(L"GetTokenInformation(TokenLinkedToken)", ::GetLastError());
    return {};
  }
  const platform::KernelHandle limited(linked.LinkedToken);
  platform::KernelHandle primary;
  if (!::DuplicateTokenEx(limited.get(), MAXIMUM_ALLOWED, nullptr, SecurityImpersonation,
                          TokenPrimary, primary.put())) {
    platform::TraceFailure(L"DuplicateTokenEx(linked token)", ::GetLastError());
    return {};
  }
  return primary;
}

}  // namespace

platform::KernelHandle LaunchAsNormalUser(const std::wstring& program,
                                          const std::wstring& workingFolder, int showCommand) {
  if (const platform::KernelHandle token = SaferNormalUserToken()) {
    if (auto process = LaunchWithToken(token.get(), program, workingFolder, showCommand)) {
      return process;
    }
  }
  // Where the normal-user level yields nothing usable, the unelevated twin serves as well.
  if (const platform::KernelHandle twin = LimitedTwinToken()) {
    return LaunchWithToken(twin.get(), program, workingFolder, showCommand);
  }
  return {};
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
