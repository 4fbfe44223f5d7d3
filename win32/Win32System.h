#pragma once
// The operating system as the controller sees it: the service modules, processes, time and
// the backup of the installed library.

#include <windows.h>

#include <optional>
#include <string>

#include "app/System.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

inline constexpr wchar_t kSingleInstanceName[] = L"Local\\TarnwellUpdate.SingleInstance";

class Win32System final : public System {
 public:
  // `instanceName` names the mutex that marks a running instance; tests pass their own.
  explicit Win32System(std::wstring instanceName = kSingleInstanceName);

  bool PreviousInstanceRunning() override;
  void EndProcess(int exitCode) override;
  std::string ProgramFolder() override;
  std::string SystemDirectory() override;
  std::unique_ptr<Process> Launch(const std::string& program, const std::string& commandLine,
                                  int windowState) override;
  bool IsElevated() override;
  bool LaunchAsDesktopUser(const std::string& program) override;
  std::unique_ptr<Process> OpenTaskProcess(const std::string& caption) override;
  std::uint64_t TickCount() override;

  bool FileExists(const std::string& path) override;
  bool IsTaskRunning(const std::string& caption) override;
  std::int16_t EndTask(const std::string& caption) override;
  void SetTopMost(NativeWindow window, bool topmost) override;

  std::string GetSystemFolder(NativeWindow owner) override;
  std::string GetProgramFilesFolder(NativeWindow owner) override;

  VersionInfo GetVersionInfo(const std::string& path) override;

  void ShellMoveFile(const std::string& source, const std::string& destination) override;
  void ShellDeleteFile(const std::string& path) override;

  std::string BackupFile(const std::string& path) override;
  bool RestoreFile(const std::string& backup, const std::string& path) override;
  void RemoveFile(const std::string& path) override;

 private:
  std::wstring instanceName_;
  // Held for the process's lifetime: while it lives, later instances see this one.
  platform::KernelHandle instanceMutex_;
  std::optional<bool> previousInstance_;
};

}  // namespace tarnwell::win32
