#pragma once
// This process among the program's others: one instance runs at a time.

namespace tarnwell {

class Instance {
 public:
  virtual ~Instance() = default;

  // True when another copy of this program is running.
  virtual bool PreviousInstanceRunning() = 0;
  // Brings the running instance's window to the foreground, restored if it is minimised, and
  // returns at once. False when that instance shows no window (an unattended run).
  virtual bool RaiseRunningInstance() = 0;
  // Ends the process at once, running no handler. Should it return, callers return too.
  virtual void EndProcess(int exitCode) = 0;
};

}  // namespace tarnwell
