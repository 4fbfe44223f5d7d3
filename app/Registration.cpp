#include "app/Registration.h"

#include "app/Fill.h"
#include "app/modDllUp.h"

namespace tarnwell {
namespace {
constexpr std::uint64_t kRegistrationLimitMs = 60'000;
}  // namespace

std::string RegSvr32Program(const std::string& systemDirectory) {
  return modDllUp::PathIn(systemDirectory, "regsvr32.exe");
}

std::string RegSvr32CommandLine(const std::string& systemDirectory, const std::string& switches,
                                const std::string& libraryPath) {
  // Quoted, so that neither path can be split at a blank or searched for.
  return Fill("\"%1\" %2 \"%3\"", {RegSvr32Program(systemDirectory), switches, libraryPath});
}

RegistrationResult RegistrationTool::Run(const std::string& switches, const std::string& library) {
  const std::string directory = folders_.SystemDirectory();
  const std::string program = RegSvr32Program(directory);
  // Run in the system directory, so that the folder we were started from, which a user may
  // write to, is not searched for the libraries the registered one needs.
  auto tool = program.empty()
                  ? nullptr
                  : launcher_.Launch(program, RegSvr32CommandLine(directory, switches, library),
                                     kShowMinimized, directory);
  const auto note = [&](std::string_view what) {
    report_.Note(Fill("regsvr32 %1 %2: %3", {switches, library, what}));
  };
  if (!tool) {
    note("could not be started");
    return {RegistrationResult::Kind::NotStarted};
  }
  if (tool->Id() != 0) started_.push_back(tool->Id());
  std::optional<std::uint32_t> code;
  const auto ended = [&] { return (code = tool->ExitCode()).has_value(); };
  if (waiter_.Until(ended, kRegistrationLimitMs, tool->Waitable()) == WaitEnd::Done) {
    note("exit code " + Decimal(*code));
    return {RegistrationResult::Kind::Finished, *code};
  }
  tool->Terminate();
  note("did not finish within 60 s and was ended");
  return {RegistrationResult::Kind::TimedOut};
}

}  // namespace tarnwell
