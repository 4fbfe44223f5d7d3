#include "app/IdeSession.h"

#include "app/Fill.h"
#include "app/modDllUp.h"

namespace tarnwell {

using modDllUp::kIdeCaption;

bool IdeSession::IsOpen() { return tasks_.IsTaskRunning(kIdeCaption); }

void IdeSession::AskToClose() {
  process_ = tasks_.OpenTaskProcess(kIdeCaption);
  closedId_ = process_ ? process_->Id() : 0;
  report_.Note("Asked the Corvex IDE to close");
  tasks_.EndTask(kIdeCaption);
}

bool IdeSession::AwaitClosed(std::optional<std::uint64_t> limitMs,
                             const std::function<bool()>& cancelled) {
  const std::unique_ptr<Process> process = std::move(process_);
  const std::uint64_t start = clock_.TickCount();
  bool waited = false;
  const auto windowGone = [&] {
    if (!IsOpen()) return true;
    if (!waited) report_.Note("Waiting for the Corvex IDE to close");
    waited = true;
    return false;
  };
  // After its window is gone the IDE may still hold the library: the library is not touched
  // while its process runs. Both waits share the one limit.
  const auto ended = [&] {
    if (process->ExitCode()) return true;
    if (!waited) report_.Note("Waiting for the Corvex IDE to end");
    waited = true;
    return false;
  };
  WaitEnd end = waiter_.Until(windowGone, limitMs, 0, cancelled);
  if (end == WaitEnd::Done && process) {
    const std::uint64_t spent = clock_.TickCount() - start;
    std::optional<std::uint64_t> left;
    if (limitMs) left = *limitMs > spent ? *limitMs - spent : 0;
    end = waiter_.Until(ended, left, process->Waitable(), cancelled);
  }
  switch (end) {
    case WaitEnd::TimedOut:
      report_.Note("The Corvex IDE is still open after 60 s: nothing is changed");
      return false;
    case WaitEnd::Cancelled:
      NoteCancelled();
      return false;
    case WaitEnd::Done:
      break;
  }
  if (waited) report_.Note("The Corvex IDE has closed");
  return true;
}

void IdeSession::NoteCancelled() {
  report_.Note("The wait for the Corvex IDE was cancelled: nothing is changed");
}

bool IdeSession::Restart(NativeWindow owner) {
  const std::string folder = folders_.GetProgramFilesFolder(owner);
  const std::string program = modDllUp::PathIn(folder, modDllUp::kIdeExecutable);
  if (!program.empty() && !files_.FileExists(program)) {
    report_.Note(Fill("The Corvex IDE is not started again: %1 not found", {program}));
    return true;
  }
  if (!program.empty() && Launch(program)) return true;
  report_.Note("The Corvex IDE could not be started again");
  return false;
}

bool IdeSession::Launch(const std::string& program) {
  if (!launcher_.IsElevated()) {
    if (!launcher_.Launch(program, Fill("\"%1\"", {program}), kShowNormal,
                          modDllUp::FolderOf(program))) {
      return false;
    }
    report_.Note(Fill("Started the Corvex IDE again: %1", {program}));
    return true;
  }
  // An elevated program never hands its rights to the IDE: the desktop's shell starts it as
  // the user; failing that, it runs with our rights stripped of administrator rights.
  if (launcher_.LaunchAsDesktopUser(program)) {
    report_.Note(Fill("Started the Corvex IDE again as the desktop's user: %1", {program}));
    return true;
  }
  if (launcher_.LaunchAsNormalUser(program, kShowNormal)) {
    report_.Note(Fill("Started the Corvex IDE again without administrator rights: %1", {program}));
    return true;
  }
  return false;
}

}  // namespace tarnwell
