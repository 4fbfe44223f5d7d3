#pragma once
// What the controller needs of the operating system: the service modules, processes and time.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/NativeHandles.h"
#include "app/VersionInfo.h"

namespace tarnwell {

// A process the program started or watches. Owning it keeps the process's identity valid.
class Process {
 public:
  virtual ~Process() = default;
  // The exit code once the process has ended; nothing while it runs.
  virtual std::optional<std::uint32_t> ExitCode() = 0;
  // What a yield can wake on when the process ends; 0 when there is nothing.
  virtual NativeWaitable Waitable() const { return 0; }
};

// Window states for launched programs.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;

class System {
 public:
  virtual ~System() = default;

  // True when another copy of this program is running.
  virtual bool PreviousInstanceRunning() = 0;
  // Ends the process at once, running no handler. Should it return, callers return too.
  virtual void EndProcess(int exitCode) = 0;
  // The folder that holds the program's executable file.
  virtual std::string ProgramFolder() = 0;
  // The platform's system directory, where the registration tool lives.
  virtual std::string SystemDirectory() = 0;
  // Starts `program` (a full path, never searched for) with the whole command line
  // `commandLine`; nothing when it cannot be started. Never waits.
  virtual std::unique_ptr<Process> Launch(const std::string& program,
                                          const std::string& commandLine, int windowState) = 0;
  // True when the program runs with elevated rights.
  virtual bool IsElevated() = 0;
  // Starts `program` with the rights of the desktop's user (through the desktop's shell).
  // False when the platform offers no way to do so.
  virtual bool LaunchAsDesktopUser(const std::string& program) = 0;
  // The process that owns the top-level window titled `caption`; nothing when there is none.
  virtual std::unique_ptr<Process> OpenTaskProcess(const std::string& caption) = 0;
  // Milliseconds from an arbitrary start; only differences count.
  virtual std::uint64_t TickCount() = 0;

  // modGlobal
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool IsTaskRunning(const std::string& caption) = 0;
  // -1 when the window was found and is valid (a close request was posted unless it is
  // disabled, and one yield followed), 0 otherwise.
  virtual std::int16_t EndTask(const std::string& caption) = 0;
  virtual void SetTopMost(NativeWindow window, bool topmost) = 0;

  // modSystem32
  virtual std::string GetSystemFolder(NativeWindow owner) = 0;
  virtual std::string GetProgramFilesFolder(NativeWindow owner) = 0;

  // modVersion
  virtual VersionInfo GetVersionInfo(const std::string& path) = 0;

  // modMove
  virtual void ShellMoveFile(const std::string& source, const std::string& destination) = 0;
  virtual void ShellDeleteFile(const std::string& path) = 0;

  // The safety net of an update: a copy of the installed library beside it.
  // BackupFile answers the copy's path, or "" when no copy could be made.
  virtual std::string BackupFile(const std::string& path) = 0;
  // Puts the copy back in place of `path`, replacing whatever is there; true on success.
  virtual bool RestoreFile(const std::string& backup, const std::string& path) = 0;
  // Deletes a file for good (no recycle bin); used for the backup only.
  virtual void RemoveFile(const std::string& path) = 0;
};

}  // namespace tarnwell
