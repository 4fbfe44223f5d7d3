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
  // Ends the process at once; for a tool that overran its time and must not act later.
  virtual void Terminate() = 0;
};

// Window states for launched programs.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;

class System {
 public:
  virtual ~System() = default;

  // True when another copy of this program is running.
  virtual bool PreviousInstanceRunning() = 0;
  // Brings the running instance's window to the foreground, restored if it is minimised, and
  // returns at once. False when that instance shows no window (an unattended run).
  virtual bool RaiseRunningInstance() = 0;
  // Ends the process at once, running no handler. Should it return, callers return too.
  virtual void EndProcess(int exitCode) = 0;
  // The folder that holds the program's executable file.
  virtual std::string ProgramFolder() = 0;
  // The platform's system directory, where the registration tool lives.
  virtual std::string SystemDirectory() = 0;
  // Starts `program` (a full path, never searched for) with the whole command line
  // `commandLine`, in `workingFolder`; nothing when it cannot be started. Never waits.
  virtual std::unique_ptr<Process> Launch(const std::string& program,
                                          const std::string& commandLine, int windowState,
                                          const std::string& workingFolder) = 0;
  // True when the program runs with elevated rights.
  virtual bool IsElevated() = 0;
  // Starts `program` in its own folder with the rights of the desktop's user (through the
  // desktop's shell). False when the platform offers no way to do so.
  virtual bool LaunchAsDesktopUser(const std::string& program) = 0;
  // Starts `program` in its own folder with this program's rights stripped of administrator
  // rights. False when that cannot be done.
  virtual bool LaunchAsNormalUser(const std::string& program, int windowState) = 0;
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

  // modMove: the shell's delete to the recycle bin; its dialogs are owned by `owner`.
  virtual void ShellDeleteFile(const std::string& path, NativeWindow owner) = 0;

  // The file work inside the system folder, where every file is created by this program.
  // The size in bytes; nothing when it cannot be read.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // Copies `source` into a new file `destination` (never an existing one), created afresh so
  // that it takes the protection of its folder, and written through to the disk. False on any
  // failure, and then no part of the copy is left.
  virtual bool CopyNewFile(const std::string& source, const std::string& destination) = 0;
  // Renames within one volume, replacing `destination`; false when nothing was renamed.
  virtual bool RenameFile(const std::string& source, const std::string& destination) = 0;
  // Deletes a file for good; true when it is gone.
  virtual bool RemoveFile(const std::string& path) = 0;
  // Creates an empty file that marks work in progress, written through to the disk.
  virtual bool CreateMarker(const std::string& path) = 0;
};

}  // namespace tarnwell
