// The program's entry point: it creates the controller and its window, runs the start-up check
// and then the window's messages until the window is gone.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "app/CommandLine.h"
#include "app/frmDllLoadTest.h"
#include "app/modDllUp.h"
#include "platform/Arguments.h"
#include "platform/DllSearch.h"
#include "platform/KnownPaths.h"
#include "platform/MessagePump.h"
#include "platform/SystemProc.h"
#include "platform/WideText.h"
#include "services/modGlobal.h"
#include "services/modVersion.h"
#include "win32/FileLog.h"
#include "win32/QuietForm.h"
#include "win32/Win32Form.h"
#include "win32/Win32System.h"

namespace {

// Libraries are loaded from the system folder only, never from the program's own folder, where
// a planted copy could lie. Looked up at run time: Windows 7 has it only with an update, and
// without it the current folder at least leaves the search.
void LoadLibrariesFromSystemFolderOnly() {
  tarnwell::platform::RestrictDllSearch(
      tarnwell::platform::LoadedProc<tarnwell::platform::SetDefaultDllDirectoriesFn>(
          L"kernel32.dll", "SetDefaultDllDirectories"));
}

// This program's own FileVersion, for the first line of its log.
std::string ProgramVersion() {
  const std::wstring path = tarnwell::platform::ExecutablePath();
  if (path.empty()) return "(version unknown)";
  return tarnwell::modVersion::GetVersionInfo(tarnwell::platform::Narrow(path)).FileVersion;
}

}  // namespace

// Without arguments nothing here differs from a run of old; with them, see app/CommandLine.h.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace tarnwell;
  LoadLibrariesFromSystemFolderOnly();

  const std::vector<std::string> arguments = platform::CommandLineArguments();
  const CommandLine line = ParseCommandLine(arguments);
  if (!line.Understood()) {
    if (!line.quiet) modGlobal::ShowMessage(NotUnderstoodText(line.notUnderstood));
    return static_cast<int>(ExitCode::NotUnderstood);
  }
  if (line.help) {
    if (!line.quiet) modGlobal::ShowMessage(UsageText());
    return static_cast<int>(ExitCode::Current);
  }

  win32::FileLog log;
  if (line.logFile && !log.Open(*line.logFile)) {
    if (!line.quiet)
      modGlobal::ShowMessage("The log file could not be opened:\r\n" + *line.logFile);
    return static_cast<int>(ExitCode::NotUnderstood);
  }
  RunLog* const runLog = line.logFile ? &log : nullptr;
  // The service modules' boxes are written down too; an unattended run shows none.
  modGlobal::MessageRecorder record;
  if (runLog) {
    record = [&log](const std::string& title, const std::string& text) {
      log.Write("Message box \"" + title + "\": " + modDllUp::OneLineToRead<char>(text));
    };
  }
  modGlobal::SetMessageHandling(std::move(record), !line.quiet);
  if (runLog) {
    log.Write("TarnwellUpdate " + ProgramVersion() + " started; arguments: " +
              (arguments.empty() ? std::string("(none)") : QuotedArguments(arguments)));
  }

  win32::Win32System system(win32::kSingleInstanceName, line.quiet);
  frmDllLoadTest controller(system,
                            {.quiet = line.quiet, .closeIde = line.closeIde, .log = runLog});
  controller.Form_Initialize();
  if (line.quiet) {
    win32::QuietForm form;
    controller.Form_Load(form);
  } else {
    win32::Win32Form form(controller, instance);
    controller.Form_Load(form);
    if (form.Exists()) platform::RunUntilDestroyed(form.Window());
  }
  const int exitCode = static_cast<int>(controller.Result());
  log.Write("Exit code " + std::to_string(exitCode));
  return exitCode;
}
