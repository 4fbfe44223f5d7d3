#pragma once
// The platform's registration tool, run on the installed library and waited for.

#include <cstdint>
#include <string>
#include <vector>

#include "app/RegistrationResult.h"
#include "app/Report.h"
#include "app/Wait.h"
#include "app/system/Folders.h"
#include "app/system/Launcher.h"

namespace tarnwell {

inline constexpr char kRegisterSwitches[] = "/s";
inline constexpr char kUnregisterSwitches[] = "/u /s";

// The tool's full path in the system directory; "" when the directory is unknown.
std::string RegSvr32Program(const std::string& systemDirectory);
// Its command line: the quoted full path, the switches, the quoted library.
std::string RegSvr32CommandLine(const std::string& systemDirectory, const std::string& switches,
                                const std::string& libraryPath);

class RegistrationTool {
 public:
  RegistrationTool(Folders& folders, Launcher& launcher, Waiter& waiter, Report& report)
      : folders_(folders), launcher_(launcher), waiter_(waiter), report_(report) {}

  // Starts the tool on `library` and waits for it, a minute at most, with the window's
  // messages handled meanwhile; a tool that overruns is ended, so that it cannot change the
  // registration after the outcome is reported.
  RegistrationResult Run(const std::string& switches, const std::string& library);
  // The processes of every run so far, by id.
  const std::vector<std::uint32_t>& Started() const { return started_; }

 private:
  Folders& folders_;
  Launcher& launcher_;
  Waiter& waiter_;
  Report& report_;
  std::vector<std::uint32_t> started_;
};

}  // namespace tarnwell
