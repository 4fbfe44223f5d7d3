#pragma once
// Starting other programs: the registration tool, and the IDE again after an update.

#include <memory>
#include <string>

#include "app/system/Process.h"

namespace tarnwell {

// Window states for launched programs.
inline constexpr int kShowNormal = 1;
inline constexpr int kShowMinimized = 2;

class Launcher {
 public:
  virtual ~Launcher() = default;

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
};

}  // namespace tarnwell
