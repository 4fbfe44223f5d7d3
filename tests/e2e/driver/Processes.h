#pragma once
// Processes the driver starts: the program under test, the host, other tools. Waits are bounded;
// a process still running when its wait runs out is killed.

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/e2e/driver/Waits.h"
#include "tests/e2e/driver/WindowReader.h"

namespace tarnwell::e2e {

class Process {
 public:
  Process() = default;
  Process(platform::KernelHandle process, DWORD id) : process_(std::move(process)), id_(id) {}
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_.get(); }
  bool Running() const;
  // The exit code, or nothing when it had to be killed after `timeoutMs`.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kExitTimeoutMs);
  void Kill();

 private:
  platform::KernelHandle process_;
  DWORD id_ = 0;
};

// The program under test, running.
class Program : public Process {
 public:
  using Process::Process;
  // Its main window once visible; nullptr if none appears in time or the process ends first.
  HWND WaitForWindow(DWORD timeoutMs = kWindowTimeoutMs) const;
  // A message box of this process; nothing if none appears in time.
  std::optional<MessageBoxState> WaitForMessageBox(DWORD timeoutMs = kWindowTimeoutMs) const;
  // Top-level windows this process shows now.
  std::vector<HWND> VisibleWindows() const;

  // How a run that should show nothing ended.
  struct Unseen {
    std::optional<DWORD> exitCode;  // nothing when it had to be killed
    // Every visible top-level window it showed meanwhile, as class "title".
    std::vector<std::wstring> shown;
  };
  // Waits for the program to end, looking for its visible top-level windows (a message box
  // included) at every poll from now until it has ended.
  Unseen WaitForExitShowingNothing(DWORD timeoutMs = kExitTimeoutMs);
};

// The running processes that `parentId` started from an executable named `exeName`
// (e.g. L"regsvr32.exe"), opened to be waited for and killed.
std::vector<Process> ChildrenOf(DWORD parentId, std::wstring_view exeName);

}  // namespace tarnwell::e2e
