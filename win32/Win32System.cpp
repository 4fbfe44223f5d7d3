#include "win32/Win32System.h"

#include <utility>

#include "platform/Trace.h"
#include "platform/WideText.h"
#include "services/modGlobal.h"
#include "services/modMove.h"
#include "services/modSystem32.h"
#include "services/modVersion.h"
#include "win32/DesktopShell.h"

namespace tarnwell::win32 {
namespace {

using platform::KernelHandle;
using platform::Narrow;
using platform::Widen;

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

 private:
  KernelHandle process_;
};

// The folder part of `path`: everything before the last "\", or "" when there is none.
std::wstring FolderOf(const std::wstring& path) {
  const auto slash = path.find_last_of(L'\\');
  if (slash == std::wstring::npos) return {};
  std::wstring folder = path.substr(0, slash);
  // A drive root keeps its "\": "C:" alone would mean the drive's current folder.
  if (folder.size() == 2 && folder[1] == L':') folder += L'\\';
  return folder;
}

}  // namespace

Win32System::Win32System(std::wstring instanceName) : instanceName_(std::move(instanceName)) {}

bool Win32System::PreviousInstanceRunning() {
  if (!previousInstance_) {
    instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, instanceName_.c_str()));
    const DWORD error = ::GetLastError();
    // Access denied: the mutex exists, created by an instance running with other rights.
    previousInstance_ = error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
  }
  return *previousInstance_;
}

void Win32System::EndProcess(int exitCode) { ::ExitProcess(static_cast<UINT>(exitCode)); }

std::string Win32System::ProgramFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length =
        ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A full buffer means the name was cut short (the error code differs between systems).
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    if (path.size() >= 32768) return {};
    path.resize(path.size() * 2);
  }
  return Narrow(FolderOf(path));
}

std::string Win32System::SystemDirectory() {
  const UINT needed = ::GetSystemDirectoryW(nullptr, 0);
  if (needed == 0) return {};
  std::wstring folder(needed, L'\0');
  const UINT length = ::GetSystemDirectoryW(folder.data(), needed);
  if (length == 0 || length >= needed) return {};
  folder.resize(length);
  return Narrow(folder);
}

std::unique_ptr<Process> Win32System::Launch(const std::string& program,
                                             const std::string& commandLine, int windowState) {
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
  if (!::CreateProcessW(application.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &info)) {
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

void Win32System::ShellMoveFile(const std::string& source, const std::string& destination) {
  modMove::ShellMoveFile(0, source, destination);
}
void Win32System::ShellDeleteFile(const std::string& path) { modMove::ShellDeleteFile(0, path); }

std::string Win32System::BackupFile(const std::string& path) {
  const std::wstring original = Widen(path);
  std::wstring folder = FolderOf(original);
  if (folder.empty()) folder = L".";
  std::wstring backup(MAX_PATH, L'\0');
  // The copy lies beside the original, on the same volume, so putting it back is a rename.
  if (::GetTempFileNameW(folder.c_str(), L"qdl", 0, backup.data()) == 0) return {};
  backup.resize(backup.find(L'\0'));
  if (!::CopyFileW(original.c_str(), backup.c_str(), FALSE)) {
    ::DeleteFileW(backup.c_str());
    return {};
  }
  return Narrow(backup);
}

bool Win32System::RestoreFile(const std::string& backup, const std::string& path) {
  return ::MoveFileExW(Widen(backup).c_str(), Widen(path).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void Win32System::RemoveFile(const std::string& path) { ::DeleteFileW(Widen(path).c_str()); }

}  // namespace tarnwell::win32
