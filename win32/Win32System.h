#pragma once
// The operating system as the controller sees it: the service modules, processes, time and
// the file work in the system folder.

#include <windows.h>

#include <optional>
#include <string>

#include "app/System.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

// One instance per machine: two sessions must not work on the one system folder at once.
inline constexpr wchar_t kSingleInstanceName[] = L"Global\\TarnwellUpdate.SingleInstance";

class Win32System final : public System {
 public:
  // `instanceName` names the mutex that marks a running instance; tests pass their own. A
  // `quiet` system shows none of the shell's windows.
  explicit Win32System(std::wstring instanceName = kSingleInstanceName, bool quiet = false);

  bool PreviousInstanceRunning() override;
  bool RaiseRunningInstance() override;
  void EndProcess(int exitCode) override;
  std::string ProgramFolder() override;
  std::string SystemDirectory() override;
  std::unique_ptr<Process> Launch(const std::string& program, const std::string& commandLine,
                                  int windowState, const std::string& workingFolder) override;
  bool IsElevated() override;
  bool LaunchAsDesktopUser(const std::string& program) override;
  bool LaunchAsNormalUser(const std::string& program, int windowState) override;
  std::unique_ptr<Process> OpenTaskProcess(const std::string& caption) override;
  std::uint64_t TickCount() override;

  bool FileExists(const std::string& path) override;
  bool IsTaskRunning(const std::string& caption) override;
  std::int16_t EndTask(const std::string& caption) override;
  void SetTopMost(NativeWindow window, bool topmost) override;

  std::string GetSystemFolder(NativeWindow owner) override;
  std::string GetProgramFilesFolder(NativeWindow owner) override;

  VersionInfo GetVersionInfo(const std::string& path) override;

  void ShellDeleteFile(const std::string& path, NativeWindow owner) override;

  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  bool CopyNewFile(const std::string& source, const std::string& destination) override;
  bool RenameFile(const std::string& source, const std::string& destination) override;
  bool RemoveFile(const std::string& path) override;
  bool CreateMarker(const std::string& path) override;

 private:
  std::wstring instanceName_;
  bool quiet_;
  // Held for the process's lifetime: while it lives, later instances see this one.
  platform::KernelHandle instanceMutex_;
  std::optional<bool> previousInstance_;
};

}  // namespace tarnwell::win32
