#pragma once
// Starting programs: by full path with CreateProcessW, and without administrator rights through
// the desktop's shell or a normal-user token.

#include "app/Report.h"
#include "app/system/Launcher.h"

namespace tarnwell::win32 {

class Win32Launcher final : public Launcher {
 public:
  explicit Win32Launcher(Report& report) : report_(report) {}

  std::unique_ptr<Process> Launch(const std::string& program, const std::string& commandLine,
                                  int windowState, const std::string& workingFolder) override;
  bool IsElevated() override;
  bool LaunchAsDesktopUser(const std::string& program) override;
  bool LaunchAsNormalUser(const std::string& program, int windowState) override;

 private:
  Report& report_;
};

}  // namespace tarnwell::win32
