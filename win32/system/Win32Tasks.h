#pragma once
// Other programs' windows through modGlobal, and the processes behind them.

#include "app/Report.h"
#include "app/system/Tasks.h"

namespace tarnwell::win32 {

class Win32Tasks final : public Tasks {
 public:
  explicit Win32Tasks(Report& report) : report_(report) {}

  bool IsTaskRunning(const std::string& caption) override;
  std::int16_t EndTask(const std::string& caption) override;
  std::unique_ptr<Process> OpenTaskProcess(const std::string& caption) override;

 private:
  Report& report_;
};

}  // namespace tarnwell::win32
