#include "app/frmDllLoadTest.h"

#include <chrono>
#include <string>

namespace tarnwell {

using namespace modDllUp;

namespace {

// How long a polling loop waits for input before it looks again: short enough to react at
// once, long enough not to burn a core while the IDE takes its time.
constexpr std::chrono::milliseconds kIdleWait{20};
constexpr std::uint64_t kRegistrationLimitMs = 60'000;
// How long an unattended run waits for the IDE to close before it gives up the update.
constexpr std::uint64_t kUnattendedIdeLimitMs = 60'000;
// After its window is gone the IDE may still hold the library for a moment.
constexpr std::uint64_t kIdeExitLimitMs = 10'000;

// Layout, twips. The window is as wide as the label plus the frame's borders; the buttons sit a
// little below the label, side by side about the centre when both show; the window ends a
// margin plus the frame's bottom border and title bar below them.
constexpr float kWidthBesideLabel = 90;
constexpr float kButtonsBelowLabel = 100;
constexpr float kButtonsFromCentre = 20;
constexpr float kHeightBelowButtons = 500;

}  // namespace

frmDllLoadTest::frmDllLoadTest(System& system, RunSettings settings)
    : sys_(system), settings_(settings) {}

void frmDllLoadTest::Note(const std::string& line) {
  if (settings_.log) settings_.log->Write(line);
}

void frmDllLoadTest::NoteCopy(const char* which, const std::string& path,
                              const std::string& version) {
  if (!sys_.FileExists(path)) {
    Note(std::string(which) + ": " + path + " not found");
  } else if (IsReadableVersion(version)) {
    Note(std::string(which) + ": " + path + ", version " + version);
  } else {
    Note(std::string(which) + ": " + path + " has no readable version");
  }
}

// ---------------------------------------------------------------------------------------------
// Start-up

void frmDllLoadTest::Form_Initialize() {
  if (sys_.PreviousInstanceRunning()) EndAsSecondInstance();
}

void frmDllLoadTest::EndAsSecondInstance() {
  Note("Another instance is running: nothing is done");
  // Whoever starts the program again is most likely looking for the window already open. A
  // quiet run, started by a script, leaves the screen as it is.
  if (!settings_.quiet && sys_.RaiseRunningInstance()) {
    Note("Brought the running instance's window to the front");
  }
  result_ = ExitCode::AlreadyRunning;
  ended_ = true;
  // The process ends right here, before WinMain could write the exit code down.
  Note("Exit code " + std::to_string(static_cast<int>(result_)));
  sys_.EndProcess(static_cast<int>(result_));
}

void frmDllLoadTest::Form_Load(Form& form) {
  form_ = &form;
  CancelRequested = true;
  if (sys_.PreviousInstanceRunning()) {
    EndAsSecondInstance();
    return;
  }
  shared_.MainWindowHandle = form.Handle();

  // An unknown folder gives no path at all, never one on the root of the current drive.
  shared_.NewDllPath = PathIn(sys_.ProgramFolder(), kDllName);
  shared_.SystemDllPath = PathIn(sys_.GetSystemFolder(shared_.MainWindowHandle), kDllName);
  if (shared_.SystemDllPath.empty()) {
    Note("The system folder could not be found: nothing is touched");
    result_ = ExitCode::Failed;
    ShowOutcome(kRed, MessageNoSystemFolder());
    form.Show();
    return;
  }
  // Work a previous run left unfinished is settled before anything is compared.
  Installer recovery = MakeInstaller();
  if (recovery.Interrupted()) ShowWorking();
  recovery.Recover();

  if (sys_.FileExists(shared_.NewDllPath)) {
    shared_.NewDllSize = sys_.FileSize(shared_.NewDllPath);
    shared_.LastVersionInfo = sys_.GetVersionInfo(shared_.NewDllPath);
    shared_.NewDllVersion = shared_.LastVersionInfo.FileVersion;
  }
  if (sys_.FileExists(shared_.SystemDllPath)) {
    shared_.LastVersionInfo = sys_.GetVersionInfo(shared_.SystemDllPath);
    shared_.SystemDllVersion = shared_.LastVersionInfo.FileVersion;
  }

  NoteCopy("Shipped copy", shared_.NewDllPath, shared_.NewDllVersion);
  NoteCopy("Installed copy", shared_.SystemDllPath, shared_.SystemDllVersion);

  const bool installed = sys_.FileExists(shared_.SystemDllPath);
  const bool shipped = sys_.FileExists(shared_.NewDllPath);
  if (installed && shipped) {
    UpdateNeeded = InstalledCopyIsOlder(shared_);
    if (!UpdateNeeded) {
      Note("Outcome: the installed copy is up to date");
      UpToDate();
    } else if (!sys_.IsTaskRunning(kIdeCaption)) {
      Note("Outcome: update, the Corvex IDE is not open");
      ShowWorking();
      UpdateDll();
    } else if (!settings_.closeIde) {
      if (settings_.quiet) {
        Note("Outcome: update not run: the Corvex IDE is open and /closeide was not given");
        result_ = ExitCode::Cancelled;
        return;
      }
      Note("Outcome: update offered, the Corvex IDE is open");
      ConfirmUpdate();
    } else {
      Note("Outcome: update, the Corvex IDE is open and may be closed (/closeide)");
      // As if OK had been pressed: nobody is asked, the wait for the IDE shows at once.
      UpdateDll();
    }
  } else if (shipped) {
    Note("Outcome: install, no copy is installed");
    ShowWorking();
    FreshInstall();
  } else {
    Note("Outcome: no shipped copy");
    ReplacementMissing();
  }

  if (form.Exists()) form.Show();
}

Installer frmDllLoadTest::MakeInstaller() {
  return Installer(
      sys_, shared_, [this](const char* switches) { return RunRegSvr32(switches); },
      [this](const std::string& line) { Note(line); });
}

void frmDllLoadTest::ShowWorking() {
  // Nobody would see it in an unattended run.
  if (settings_.quiet || !form_->Exists()) return;
  SetLabel(kDarkBlue, MessageUpdateInProgress());
  Resize();
  // After the layout, which shows Cancel beside OK while an update is pending.
  form_->SetVisible(Control::cmdOK, false);
  form_->SetVisible(Control::cmdCancel, false);
  form_->Show();
  form_->Repaint();
}

void frmDllLoadTest::ShowOutcome(std::uint32_t colour, const std::string& text) {
  SetLabel(colour, text);
  // OK as designed, also where the window showed the work without buttons.
  if (form_->Exists()) form_->SetVisible(Control::cmdOK, true);
  Resize();
  sys_.SetTopMost(shared_.MainWindowHandle, true);
}

void frmDllLoadTest::ConfirmUpdate() {
  result_ = ExitCode::Cancelled;  // until the user lets the update run
  SetLabel(kDarkBlue, MessageConfirmUpdate(shared_));
  // OK as designed, also after the window showed an interrupted update being settled.
  form_->SetVisible(Control::cmdOK, true);
  form_->SetVisible(Control::cmdCancel, true);
  Resize();
  sys_.SetTopMost(shared_.MainWindowHandle, true);
}

void frmDllLoadTest::UpToDate() {
  // An installed copy whose version cannot be read is no proof that it is current:
  // the shipped copy is then kept, so that a good copy of the library remains.
  const bool keep = !IsReadableVersion(shared_.SystemDllVersion);
  if (!keep) sys_.ShellDeleteFile(shared_.NewDllPath, shared_.MainWindowHandle);
  const bool deleted = !keep && !sys_.FileExists(shared_.NewDllPath);
  Note(keep      ? "Kept the shipped copy: the installed copy's version cannot be read"
       : deleted ? "Deleted the shipped copy to the recycle bin"
                 : "The shipped copy could not be deleted");
  result_ = keep ? ExitCode::Failed : ExitCode::Current;
  ShowOutcome(kRed, MessageUpToDate(shared_, deleted, keep));
}

void frmDllLoadTest::FreshInstall() {
  const Installer::Result done = MakeInstaller().Install();
  if (done.outcome != Installer::Outcome::Installed) {
    result_ = ExitCode::Failed;
    ShowOutcome(kRed, done.outcome == Installer::Outcome::Changed ? MessageChanged(shared_, false)
                                                                  : MessageNotInstalled(shared_));
    return;
  }
  shared_.LastVersionInfo = sys_.GetVersionInfo(shared_.SystemDllPath);
  shared_.SystemDllVersion = shared_.LastVersionInfo.FileVersion;
  const RegistrationResult& registration = done.registration;
  ShowOutcome(Judge(registration), registration.Succeeded()
                                       ? MessageInstalled(shared_)
                                       : MessageNotRegistered(shared_, registration));
}

void frmDllLoadTest::ReplacementMissing() {
  result_ = ExitCode::NoReplacement;
  ShowOutcome(kRed, MessageReplacementMissing(shared_));
}

// ---------------------------------------------------------------------------------------------
// Commands and closing

void frmDllLoadTest::cmdOK_Click() {
  // The update handles messages while it waits; a second press must not start another.
  if (updating_) return;
  Note("The user pressed OK");
  if (UpdateNeeded) {
    UpdateDll();
  } else if (form_) {
    form_->Unload();
  }
}

void frmDllLoadTest::cmdCancel_Click() {
  Note("The user pressed Cancel");
  if (CancelRequested && form_) form_->Unload();
  CancelRequested = true;
}

void frmDllLoadTest::Form_QueryUnload(int& /*cancel*/, int /*unloadMode*/) {
  if (!settings_.quiet) Note("The window was closed");
  CancelRequested = true;
}

// ---------------------------------------------------------------------------------------------
// The update

void frmDllLoadTest::UpdateDll() {
  if (updating_) return;
  updating_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{updating_};

  bool IdeWasRunning = false;
  std::unique_ptr<Process> ide;
  if (sys_.IsTaskRunning(kIdeCaption)) {
    IdeWasRunning = true;
    if (!AskIdeToClose(ide)) return;
  }
  if (!AwaitIde(ide.get())) return;

  CancelRequested = false;
  SetLabelText(MessageUpdateInProgress());

  // From here on the files are changed; should the window be closed meanwhile, the work is
  // still finished, so that the library is never left half replaced.
  using Outcome = Installer::Outcome;
  const Installer::Result replaced = MakeInstaller().Replace();
  if (replaced.outcome == Outcome::Installed) {
    ReportUpdate(Judge(replaced.registration),
                 replaced.registration.Succeeded()
                     ? MessageUpdated(shared_)
                     : MessageUpdatedNotRegistered(shared_, replaced.registration));
  } else {
    result_ = ExitCode::Failed;
    ReportUpdate(kRed, FailureText(replaced.outcome));
    // The old copy is in use: the user is asked to close what holds it, not handed the IDE.
    if (replaced.outcome == Outcome::OldInUse) return;
  }
  if (IdeWasRunning) RestartIde();
}

std::string frmDllLoadTest::FailureText(Installer::Outcome outcome) const {
  using Outcome = Installer::Outcome;
  switch (outcome) {
    case Outcome::NotCopied:
      return MessageNotCopied(shared_);
    case Outcome::Changed:
      return MessageChanged(shared_, true);
    case Outcome::NoBackup:
      return MessageNoBackup(shared_);
    case Outcome::OldInUse:
      return MessageUpdateFailed();
    case Outcome::Restored:
    case Outcome::NotRestored:
    case Outcome::Installed:
      break;
  }
  return MessageRestored(shared_, outcome == Outcome::Restored);
}

bool frmDllLoadTest::AskIdeToClose(std::unique_ptr<Process>& ide) {
  SetLabel(kOrange, MessageWaitingForIde());
  form_->SetVisible(Control::cmdOK, false);
  form_->SetVisible(Control::cmdCancel, true);
  UpdateNeeded = false;
  Resize();
  MoveBelowCentre();
  // Already on the screen after the offer; without one (/closeide) it appears now.
  form_->Show();

  // Held before the request, so that the IDE's process can be waited for once its window is gone.
  ide = sys_.OpenTaskProcess(kIdeCaption);
  Note("Asked the Corvex IDE to close");
  sys_.EndTask(kIdeCaption);
  if (form_->Exists()) return true;
  // Closed inside EndTask's yield: nothing has been touched, and nothing will be.
  result_ = ExitCode::Cancelled;
  return false;
}

bool frmDllLoadTest::AwaitIde(Process* ide) {
  CancelRequested = false;
  const std::uint64_t start = sys_.TickCount();
  bool waited = false;
  while (sys_.IsTaskRunning(kIdeCaption)) {
    if (!waited) Note("Waiting for the Corvex IDE to close");
    waited = true;
    // Nobody is there to cancel an unattended wait: it has a limit instead.
    if (settings_.quiet && sys_.TickCount() - start >= kUnattendedIdeLimitMs) {
      Note("The Corvex IDE is still open after 60 s: nothing is changed");
      AbandonUpdate();
      return false;
    }
    form_->DoEvents(kIdleWait);
    // Tested right after the yield: a cancel wins over the IDE going away in the same pass.
    if (CancelRequested || !form_->Exists()) {
      Note("The wait for the Corvex IDE was cancelled: nothing is changed");
      AbandonUpdate();
      return false;
    }
  }
  if (ide && !AwaitProcess(*ide, kIdeExitLimitMs)) {
    Note("The wait for the Corvex IDE was cancelled: nothing is changed");
    AbandonUpdate();
    return false;
  }
  if (waited) Note("The Corvex IDE has closed");
  return true;
}

void frmDllLoadTest::AbandonUpdate() {
  result_ = ExitCode::Cancelled;
  if (form_->Exists()) form_->Unload();
}

bool frmDllLoadTest::AwaitProcess(Process& process, std::uint64_t limitMs) {
  const std::uint64_t start = sys_.TickCount();
  while (!process.ExitCode() && sys_.TickCount() - start < limitMs) {
    form_->DoEvents(kIdleWait, process.Waitable());
    if (CancelRequested || !form_->Exists()) return false;
  }
  return true;
}

RegistrationResult frmDllLoadTest::RunRegSvr32(const std::string& switches) {
  const std::string directory = sys_.SystemDirectory();
  const std::string program = RegSvr32Program(directory);
  // Run in the system directory, so that the folder we were started from, which a user may
  // write to, is not searched for the libraries the registered one needs.
  auto tool =
      program.empty()
          ? nullptr
          : sys_.Launch(program, RegSvr32CommandLine(directory, switches, shared_.SystemDllPath),
                        kShowMinimized, directory);
  const std::string what = "regsvr32 " + switches + " " + shared_.SystemDllPath + ": ";
  if (!tool) {
    Note(what + "could not be started");
    return {RegistrationResult::Kind::NotStarted};
  }

  // Messages are handled meanwhile; whatever the handlers do, this wait does not end early.
  const std::uint64_t start = sys_.TickCount();
  for (;;) {
    if (const auto code = tool->ExitCode()) {
      Note(what + "exit code " + std::to_string(*code));
      return {RegistrationResult::Kind::Finished, *code};
    }
    if (sys_.TickCount() - start >= kRegistrationLimitMs) {
      // Left running, it could still change the registration after we report.
      tool->Terminate();
      Note(what + "did not finish within 60 s and was ended");
      return {RegistrationResult::Kind::TimedOut};
    }
    form_->DoEvents(kIdleWait, tool->Waitable());
  }
}

std::uint32_t frmDllLoadTest::Judge(const RegistrationResult& registration) {
  result_ = registration.Succeeded() ? ExitCode::Current : ExitCode::Failed;
  return registration.Succeeded() ? kGreen : kRed;
}

void frmDllLoadTest::ReportUpdate(std::uint32_t colour, const std::string& text) {
  CancelRequested = false;
  if (!form_->Exists()) return;
  SetLabel(colour, text);
  form_->SetVisible(Control::cmdOK, true);
  form_->SetVisible(Control::cmdCancel, false);
  UpdateNeeded = false;
  Resize();
  form_->Repaint();
  form_->Show();
}

void frmDllLoadTest::RestartIde() {
  const std::string folder = sys_.GetProgramFilesFolder(shared_.MainWindowHandle);
  const std::string program = PathIn(folder, kIdeExecutable);
  if (!program.empty() && !sys_.FileExists(program)) {
    Note("The Corvex IDE is not started again: " + program + " not found");
    return;
  }
  if (!program.empty() && LaunchIde(program)) return;
  Note("The Corvex IDE could not be started again");
  // We closed it and cannot bring it back: the user is told to.
  if (!form_->Exists()) return;
  SetLabelText(label_ + kNewLine + kStartIdeAgain);
  Resize();
  form_->Repaint();
}

bool frmDllLoadTest::LaunchIde(const std::string& program) {
  if (!sys_.IsElevated()) {
    if (!sys_.Launch(program, "\"" + program + "\"", kShowNormal, FolderOf(program))) return false;
    Note("Started the Corvex IDE again: " + program);
    return true;
  }
  // An elevated program never hands its rights to the IDE: the desktop's shell starts it as
  // the user; failing that, it runs with our rights stripped of administrator rights.
  if (sys_.LaunchAsDesktopUser(program)) {
    Note("Started the Corvex IDE again as the desktop's user: " + program);
    return true;
  }
  if (sys_.LaunchAsNormalUser(program, kShowNormal)) {
    Note("Started the Corvex IDE again without administrator rights: " + program);
    return true;
  }
  return false;
}

// ---------------------------------------------------------------------------------------------
// Layout

void frmDllLoadTest::Resize() {
  if (!form_ || !form_->Exists()) return;
  Form& f = *form_;
  laidOutLabel_ = label_;
  textSinceLayout_ = false;
  belowCentre_ = false;
  const Bounds label = f.ControlBounds(Control::lblMessage);
  f.SetWindowWidth(label.width + kWidthBesideLabel);
  f.MoveControl(Control::lblMessage, 0, label.top);

  // W is what the window really took, not what was asked for.
  const float W = f.WindowBounds().width;
  const float buttonsTop = label.height + label.top + kButtonsBelowLabel;
  const Bounds ok = f.ControlBounds(Control::cmdOK);
  const Bounds cancel = f.ControlBounds(Control::cmdCancel);
  if (UpdateNeeded) {
    f.MoveControl(Control::cmdOK, W / 2 + kButtonsFromCentre, buttonsTop);
    f.SetVisible(Control::cmdCancel, true);
    f.MoveControl(Control::cmdCancel, W / 2 - (cancel.width + kButtonsFromCentre),
                  f.ControlBounds(Control::cmdOK).top);
  } else {
    f.MoveControl(Control::cmdOK, W / 2 - ok.width / 2, buttonsTop);
    f.MoveControl(Control::cmdCancel, W / 2 - cancel.width / 2, buttonsTop);
  }
  const Bounds placed = f.ControlBounds(Control::cmdOK);
  f.SetWindowHeight(placed.height + placed.top + kHeightBelowButtons);
  CenterForm();
}

void frmDllLoadTest::CenterForm() {
  const Bounds screen = form_->Screen();
  const Bounds window = form_->WindowBounds();
  form_->MoveWindow(screen.left + screen.width / 2 - window.width / 2,
                    screen.top + screen.height / 2 - window.height / 2);
}

void frmDllLoadTest::MoveBelowCentre() {
  const Bounds window = form_->WindowBounds();
  form_->MoveWindow(window.left, window.top + window.height);
  belowCentre_ = true;
}

void frmDllLoadTest::Form_DpiChanged() {
  if (!form_ || !form_->Exists()) return;
  const bool below = belowCentre_;
  // A text shown without a new layout (the progress text) keeps the layout made for the text
  // before it, measured now in the new scale.
  const bool swapped = textSinceLayout_;
  const std::string laidOut = laidOutLabel_;
  if (swapped) form_->SetLabelCaption(laidOut);
  Resize();
  if (swapped) {
    laidOutLabel_ = laidOut;
    form_->SetLabelCaption(label_);
    textSinceLayout_ = true;
  }
  if (below) MoveBelowCentre();
}

// ---------------------------------------------------------------------------------------------
// Writing to the window

void frmDllLoadTest::SetLabel(std::uint32_t colour, const std::string& text) {
  if (!form_->Exists()) return;
  form_->SetLabelForeColor(colour);
  SetLabelText(text);
}

void frmDllLoadTest::SetLabelText(const std::string& text) {
  if (!form_->Exists()) return;
  label_ = text;
  textSinceLayout_ = true;
  form_->SetLabelCaption(text);
  // The lines as one, so that the log keeps one line per entry.
  std::string status;
  for (const auto line : SplitLines<char>(text)) {
    if (!status.empty()) status += " | ";
    status += line;
  }
  Note("Status: " + status);
}

}  // namespace tarnwell
