#include "win32/Win32System.h"

#include <utility>

#include "app/modDllUp.h"
#include "platform/KnownPaths.h"
#include "platform/Trace.h"
#include "platform/WideText.h"
#include "platform/WindowContract.h"
#include "services/modFiles.h"
#include "services/modGlobal.h"
#include "services/modMove.h"
#include "services/modSystem32.h"
#include "services/modVersion.h"
#include "win32/DesktopShell.h"
#include "win32/NormalUserLaunch.h"

namespace tarnwell::win32 {
namespace {

using platform::KernelHandle;
using platform::Narrow;
using platform::Widen;

constexpr DWORD kTerminateWaitMs = 5000;

class Win32Process final : public Process {
 public:
  explicit Win32Process(KernelHandle process) : process_(std::move(process)) {}

  std::optional<std::uint32_t> ExitCode() override {
    if (::WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    if (!::GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return code;
  }

  NativeWaitable Waitable() const override {
    return reinterpret_cast<NativeWaitable>(process_.get());
  }

  void Terminate() override {
    if (!::TerminateProcess(process_.get(), ERROR_TIMEOUT)) {
      platform::TraceFailure(L"TerminateProcess", ::GetLastError());
      return;
    }
    // Termination completes asynchronously; the caller goes on only once it has.
    ::WaitForSingleObject(process_.get(), kTerminateWaitMs);
  }

 private:
  KernelHandle process_;
};

// The running instance's window: ours by class and title, shown, and another process's (this
// one may already have created its own, hidden).
HWND RunningInstanceWindow() {
  const DWORD self = ::GetCurrentProcessId();
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, platform::kWindowClass,
                                   platform::kWindowTitle)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != 0 && owner != self && ::IsWindowVisible(window)) return window;
  }
  return nullptr;
}

// The folder part of `path`; a drive root keeps its "\".
std::wstring FolderOf(const std::wstring& path) { return Widen(modDllUp::FolderOf(Narrow(path))); }

}  // namespace

Win32System::Win32System(std::wstring instanceName, bool quiet)
    : instanceName_(std::move(instanceName)), quiet_(quiet) {}

bool Win32System::PreviousInstanceRunning() {
  if (!previousInstance_) {
    instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, instanceName_.c_str()));
    const DWORD error = ::GetLastError();
    // Access denied: the mutex exists, created by an instance running with other rights.
    previousInstance_ = error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
  }
  return *previousInstance_;
}

bool Win32System::RaiseRunningInstance() {
  const HWND window = RunningInstanceWindow();
  if (!window) return false;
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  // The right to set the foreground lies with this process, which the user has just started
  // from the foreground. The running instance lost it when the user turned elsewhere, so an
  // AllowSetForegroundWindow of its own would hand on nothing. This process therefore hands
  // its right to the running one, whose own activation as it restores its window then counts,
  // and sets the foreground itself as well.
  ::AllowSetForegroundWindow(owner);
  // Posted, not sent: a running instance busy in its work must not keep this one from ending.
  if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
  if (!::SetForegroundWindow(window)) platform::TraceFailure(L"SetForegroundWindow", 0);
  return true;
}

void Win32System::EndProcess(int exitCode) { ::ExitProcess(static_cast<UINT>(exitCode)); }

std::string Win32System::ProgramFolder() {
  return modDllUp::FolderOf(Narrow(platform::ExecutablePath()));
}

std::string Win32System::SystemDirectory() { return Narrow(platform::SystemDirectory()); }

std::unique_ptr<Process> Win32System::Launch(const std::string& program,
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
    platform::TraceFailure(L"CreateProcessW", ::GetLastError());
    return nullptr;
  }
  KernelHandle thread(info.hThread);
  return std::make_unique<Win32Process>(KernelHandle(info.hProcess));
}

bool Win32System::IsElevated() {
  KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return false;
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) {
    return false;
  }
  return elevation.TokenIsElevated != 0;
}

bool Win32System::LaunchAsDesktopUser(const std::string& program) {
  if (program.empty()) return false;
  const std::wstring file = Widen(program);
  return OpenAsDesktopUser(file, FolderOf(file));
}

bool Win32System::LaunchAsNormalUser(const std::string& program, int windowState) {
  if (program.empty()) return false;
  const std::wstring file = Widen(program);
  return static_cast<bool>(win32::LaunchAsNormalUser(file, FolderOf(file), windowState));
}

std::unique_ptr<Process> Win32System::OpenTaskProcess(const std::string& caption) {
  const HWND window = ::FindWindowW(nullptr, Widen(caption).c_str());
  if (!window) return nullptr;
  DWORD processId = 0;
  ::GetWindowThreadProcessId(window, &processId);
  if (processId == 0) return nullptr;
  KernelHandle process(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  if (!process) return nullptr;
  return std::make_unique<Win32Process>(std::move(process));
}

std::uint64_t Win32System::TickCount() { return ::GetTickCount64(); }

bool Win32System::FileExists(const std::string& path) { return modGlobal::FileExists(path); }
bool Win32System::IsTaskRunning(const std::string& caption) {
  return modGlobal::IsTaskRunning(caption);
}
std::int16_t Win32System::EndTask(const std::string& caption) {
  return modGlobal::EndTask(caption);
}
void Win32System::SetTopMost(NativeWindow window, bool topmost) {
  modGlobal::SetTopMost(window, topmost);
}

std::string Win32System::GetSystemFolder(NativeWindow owner) {
  return modSystem32::GetSystemFolder(owner);
}
std::string Win32System::GetProgramFilesFolder(NativeWindow owner) {
  return modSystem32::GetProgramFilesFolder(owner);
}

VersionInfo Win32System::GetVersionInfo(const std::string& path) {
  return modVersion::GetVersionInfo(path);
}

void Win32System::ShellDeleteFile(const std::string& path, NativeWindow owner) {
  modMove::ShellDeleteFile(owner, path, quiet_);
}

std::optional<std::uint64_t> Win32System::FileSize(const std::string& path) {
  return modFiles::FileSize(path);
}
bool Win32System::CopyNewFile(const std::string& source, const std::string& destination) {
  return modFiles::CopyNewFile(source, destination);
}
bool Win32System::RenameFile(const std::string& source, const std::string& destination) {
  return modFiles::RenameFile(source, destination);
}
bool Win32System::RemoveFile(const std::string& path) { return modFiles::RemoveFile(path); }
bool Win32System::CreateMarker(const std::string& path) { return modFiles::CreateMarker(path); }

}  // namespace tarnwell::win32
