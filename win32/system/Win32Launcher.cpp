#include "win32/system/Win32Launcher.h"

#include "app/modDllUp.h"
#include "platform/WideText.h"
#include "win32/DesktopShell.h"
#include "win32/NormalUserLaunch.h"
#include "win32/system/Win32Process.h"

namespace tarnwell::win32 {
namespace {

using platform::KernelHandle;
using platform::Widen;

// The folder part of `path`; a drive root keeps its "\".
std::wstring FolderOf(const std::wstring& path) {
  return Widen(modDllUp::FolderOf(platform::Narrow(path)));
}

}  // namespace

std::unique_ptr<Process> Win32Launcher::Launch(const std::string& program,
                                               const std::string& commandLine, int windowState,
                                               const std::string& workingFolder) {
  if (program.empty()) return nullptr;
  const std::wstring application = Widen(program);
  // CreateProcessW may write into the command line, so it gets a copy of its own.
  std::wstring line = Widen(commandLine);
  line.push_back(L'\0');
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowState);
  PROCESS_INFORMATION info{};
  const std::wstring folder = Widen(workingFolder);
  if (!::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    report_.Trace("CreateProcessW", ::GetLastError());
    return nullptr;
  }
  KernelHandle thread(info.hThread);
  return std::make_unique<Win32Process>(KernelHandle(info.hProcess));
}

bool Win32Launcher::IsElevated() {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) {
    return false;
  }
  return elevation.TokenIsElevated != 0;
}

bool Win32Launcher::LaunchAsDesktopUser(const std::string& program) {
  if (program.empty()) return false;
  const std::wstring file = Widen(program);
  return OpenAsDesktopUser(file, FolderOf(file));
}

bool Win32Launcher::LaunchAsNormalUser(const std::string& program, int windowState) {
  if (program.empty()) return false;
  const std::wstring file = Widen(program);
  return static_cast<bool>(win32::LaunchAsNormalUser(file, FolderOf(file), windowState));
}

}  // namespace tarnwell::win32
