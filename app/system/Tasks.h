#pragma once
// Other programs, known by the title of their top-level window: the IDE is one (modGlobal).

#include <cstdint>
#include <memory>
#include <string>

#include "app/system/Process.h"

namespace tarnwell {

class Tasks {
 public:
  virtual ~Tasks() = default;

  // True when a top-level window whose whole title is `caption` exists.
  virtual bool IsTaskRunning(const std::string& caption) = 0;
  // -1 when the window was found and is valid (a close request was posted unless it is
  // disabled, and one yield followed), 0 otherwise.
  virtual std::int16_t EndTask(const std::string& caption) = 0;
  // The process that owns the top-level window titled `caption`; nothing when there is none.
  virtual std::unique_ptr<Process> OpenTaskProcess(const std::string& caption) = 0;
};

}  // namespace tarnwell
