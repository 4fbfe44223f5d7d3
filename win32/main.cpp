// The program's entry point: it creates the controller and its window, runs the start-up check
// and then the window's messages until the window is gone.

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"
#include "app/Fill.h"
#include "app/frmDllLoadTest.h"
#include "platform/Arguments.h"
#include "platform/DllSearch.h"
#include "platform/KnownPaths.h"
#include "platform/MessagePump.h"
#include "platform/SystemProc.h"
#include "platform/WideText.h"
#include "services/modGlobal.h"
#include "services/modVersion.h"
#include "win32/QuietForm.h"
#include "win32/RunReport.h"
#include "win32/Win32Form.h"
#include "win32/Win32Services.h"

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
std::string ProgramVersion(tarnwell::Report& report) {
  const std::wstring path = tarnwell::platform::ExecutablePath();
  if (path.empty()) return "(version unknown)";
  return tarnwell::modVersion::GetVersionInfo(report, tarnwell::platform::Narrow(path)).FileVersion;
}

}  // namespace

// Without arguments nothing here differs from a run of old; with them, see app/CommandLine.h.
int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  using namespace tarnwell;
  LoadLibrariesFromSystemFolderOnly();

  // A plain start, the common one, loads nothing to split its command line.
  const std::wstring_view whole = ::GetCommandLineW();
  const std::vector<std::string> arguments =
      OnlyTheProgram(whole) ? std::vector<std::string>{} : platform::CommandLineArguments();
  // A /quiet anywhere in the line as typed holds, even where the splitting took it into a name.
  const CommandLine line = ParseCommandLine(arguments, NamesQuiet(whole));
  // The one sink for the log, the boxes and the traces; an unattended run shows no box.
  win32::RunReport report(!line.quiet);
  if (!line.Understood()) {
    modGlobal::ShowMessage(report, NotUnderstoodText(line.notUnderstood));
    return static_cast<int>(ExitCode::NotUnderstood);
  }
  if (line.help) {
    modGlobal::ShowMessage(report, UsageText());
    return static_cast<int>(ExitCode::Current);
  }
  if (line.logFile) {
    switch (report.OpenLog(*line.logFile)) {
      case win32::LogOpening::Opened:
        break;
      case win32::LogOpening::Failed:
        modGlobal::ShowMessage(report, "The log file could not be opened:\r\n" + *line.logFile);
        return static_cast<int>(ExitCode::NotUnderstood);
      case win32::LogOpening::Refused:
        modGlobal::ShowMessage(report,
                               "The log file is a link or a second name of a file, and was not "
                               "opened:\r\n" +
                                   *line.logFile);
        return static_cast<int>(ExitCode::NotUnderstood);
    }
    report.Note("TarnwellUpdate " + ProgramVersion(report) + " started; arguments: " +
                (arguments.empty() ? std::string("(none)") : QuotedArguments(arguments)));
  }

  win32::Win32Services services(report, line.quiet);
  frmDllLoadTest controller(services.All(), {.quiet = line.quiet, .closeIde = line.closeIde});
  controller.Form_Initialize();
  if (line.quiet) {
    win32::QuietForm form;
    controller.Form_Load(form);
  } else {
    win32::Win32Form form(controller, instance);
    if (form.Exists()) report.OwnBoxesBy(form.Window());
    controller.Form_Load(form);
    if (form.Exists()) platform::RunUntilDestroyed(form.Window());
    report.OwnBoxesBy(nullptr);
  }
  const int exitCode = static_cast<int>(controller.Result());
  report.Note("Exit code " + Decimal(exitCode));
  return exitCode;
}
