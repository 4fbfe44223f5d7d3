#pragma once
// The IDE around an update: found by its window's title, asked to close, waited for until its
// process has let go of the library, and started again as the desktop's user afterwards.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/NativeHandles.h"
#include "app/Report.h"
#include "app/Wait.h"
#include "app/system/Files.h"
#include "app/system/Folders.h"
#include "app/system/Launcher.h"
#include "app/system/Tasks.h"

namespace tarnwell {

class IdeSession {
 public:
  IdeSession(Tasks& tasks, Files& files, Folders& folders, Launcher& launcher, Clock& clock,
             Waiter& waiter, Report& report)
      : tasks_(tasks),
        files_(files),
        folders_(folders),
        launcher_(launcher),
        clock_(clock),
        waiter_(waiter),
        report_(report) {}

  // True while a window of the IDE is open.
  bool IsOpen();
  // Holds the IDE's process, so that it can be waited for once its window is gone, and asks
  // the window to close. The request yields once: handlers may run inside.
  void AskToClose();
  // Waits until no window of the IDE is left and the process asked to close has ended, for
  // `limitMs` at most (none: until cancelled). False, and the reason logged, when the wait was
  // cancelled or ran out.
  bool AwaitClosed(std::optional<std::uint64_t> limitMs, const std::function<bool()>& cancelled);
  // Starts the IDE again without administrator rights. False when it could not be started and
  // the user has to; true also when its program is not there to start.
  bool Restart(NativeWindow owner);
  // The process of the IDE that AskToClose asked to close; 0 when none was known.
  std::uint32_t ClosedProcessId() const { return closedId_; }

 private:
  bool Launch(const std::string& program);
  void NoteCancelled();

  Tasks& tasks_;
  Files& files_;
  Folders& folders_;
  Launcher& launcher_;
  Clock& clock_;
  Waiter& waiter_;
  Report& report_;
  std::unique_ptr<Process> process_;
  std::uint32_t closedId_ = 0;
};

}  // namespace tarnwell
