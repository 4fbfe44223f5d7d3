#include "app/frmDllLoadTest.h"

#include "app/Copies.h"
#include "app/Fill.h"
#include "app/Lines.h"
#include "app/StatusTexts.h"

namespace tarnwell {

using namespace modDllUp;

frmDllLoadTest::frmDllLoadTest(const Services& services, RunSettings settings)
    : s_(services),
      settings_(settings),
      waiter_(s_.clock, s_.pump),
      registration_(s_.folders, s_.launcher, waiter_, s_.report),
      ide_(s_.tasks, s_.files, s_.folders, s_.launcher, s_.clock, waiter_, s_.report),
      publisher_(s_.signatures, s_.report) {}

// ---------------------------------------------------------------------------------------------
// Start-up (the update itself, which start-up and OK both run, is in UpdateDll.cpp)

void frmDllLoadTest::Form_Initialize() {
  if (s_.instance.PreviousInstanceRunning()) EndAsSecondInstance();
}

void frmDllLoadTest::EndAsSecondInstance() {
  Note("Another instance is running: nothing is done");
  // Whoever starts the program again is most likely looking for the window already open. A
  // quiet run, started by a script, leaves the screen as it is.
  if (!settings_.quiet && s_.instance.RaiseRunningInstance()) {
    Note("Brought the running instance's window to the front");
  }
  outcome_ = Outcome::AlreadyRunning;
  ended_ = true;
  // The process ends right here, before WinMain could write the exit code down.
  const int code = static_cast<int>(Result());
  Note("Exit code " + Decimal(code));
  s_.instance.EndProcess(code);
}

void frmDllLoadTest::Form_Load(Form& form) {
  form_ = &form;
  CancelRequested = true;
  if (s_.instance.PreviousInstanceRunning()) {
    EndAsSecondInstance();
    return;
  }
  shared_.MainWindowHandle = form.Handle();
  // An unknown folder gives no path at all, never one on the root of the current drive.
  shared_.NewDllPath = PathIn(s_.folders.ProgramFolder(), kDllName);
  shared_.SystemDllPath = PathIn(s_.folders.GetSystemFolder(shared_.MainWindowHandle), kDllName);

  Situation found{.systemFolderKnown = false};
  if (!shared_.SystemDllPath.empty()) {
    if (!Settle()) return;
    found = LookAround();
  }
  const StartAction action = DecideAtStart(found, [this] { return ide_.IsOpen(); });
  Note(NoteOf(action));
  CarryOut(action);
  // An unattended run that leaves the IDE alone has nothing to show.
  if (form.Exists() && action != StartAction::LeaveIdeOpen) form.Show();
}

bool frmDllLoadTest::Settle() {
  // Work a previous run left unfinished is settled before anything is compared.
  Installer recovery = MakeInstaller();
  if (recovery.Interrupted()) ShowWorking();
  const Installer::Recovery settled = recovery.Recover();
  notSettled_ = settled.failed;
  settling_ = settled.registration;
  if (settings_.quiet || form_->Exists()) return true;
  Note("The window was closed while an interrupted update was settled: nothing more is done");
  outcome_ = Outcome::Cancelled;
  return false;
}

Situation frmDllLoadTest::LookAround() {
  Files& files = s_.files;
  shipped_ = files.Hold(shared_.NewDllPath);
  ReadCopies(shared_, shipped_, files, s_.report);
  Situation found{.quiet = settings_.quiet, .closeIde = settings_.closeIde};
  found.shipped = shipped_.state != Holding::State::Missing;
  found.shippedPlain = shipped_.state == Holding::State::Held;
  found.installed = files.FileExists(shared_.SystemDllPath);
  if (found.shippedPlain) {
    publisher_.Start();
    verdict_ = publisher_.Accepts(shipped_.file->Native(), shared_.NewDllPath, "shipped");
    found.shippedForeign = !verdict_.accepted;
  }
  // A refused copy is no update: the window offers none, and OK only closes it.
  if (found.installed && found.shippedPlain && !found.shippedForeign) {
    UpdateNeeded = InstalledCopyIsOlder(shared_);
  }
  found.installedIsOlder = UpdateNeeded;
  found.installedReadable = IsReadableVersion(shared_.SystemDllVersion);
  found.shippedReadable = IsReadableVersion(shared_.NewDllVersion);
  return found;
}

void frmDllLoadTest::CarryOut(StartAction action) {
  switch (action) {
    case StartAction::TouchNothing:
      return ShowOutcome(Outcome::NoSystemFolder, texts::NoSystemFolder());
    case StartAction::DeleteShipped:
    case StartAction::KeepShipped:
      return UpToDate(action == StartAction::KeepShipped);
    case StartAction::RefuseShipped:
      return ShowOutcome(Outcome::Refused,
                         texts::ShippedRefused(shared_.NewDllPath, shipped_.state));
    case StartAction::RefuseForeign:
      return ShowOutcome(Outcome::Refused,
                         texts::NotSigned(shared_.NewDllPath, verdict_, shared_.SystemDllVersion,
                                          s_.files.FileExists(shared_.SystemDllPath)));
    case StartAction::Offer:
      return ConfirmUpdate();
    case StartAction::UpdateNow:
      ShowWorking();
      return UpdateDll();
    case StartAction::UpdateClosingIde:
      // As if OK had been pressed: nobody is asked, the wait for the IDE shows at once.
      return UpdateDll();
    case StartAction::LeaveIdeOpen:
      outcome_ = Outcome::Cancelled;
      return;
    case StartAction::FreshInstall:
      ShowWorking();
      return FreshInstall();
    case StartAction::ReportMissing:
      return ShowOutcome(Outcome::ReplacementMissing,
                         texts::ReplacementMissing(shared_.NewDllPath));
  }
}

Installer frmDllLoadTest::MakeInstaller() {
  return Installer(
      s_.files, shared_, shipped_.file.get(),
      [this](const char* switches) { return registration_.Run(switches, shared_.SystemDllPath); },
      [this](HeldFile& staged, const std::string& path) {
        verdict_ = publisher_.Accepts(staged.Native(), path, "staged");
        return verdict_.accepted;
      },
      s_.report);
}

void frmDllLoadTest::ShowWorking() {
  // Nobody would see it in an unattended run.
  if (settings_.quiet || !form_->Exists()) return;
  SetLabel(kDarkBlue, texts::UpdateInProgress());
  Resize();
  // After the layout, which shows Cancel beside OK while an update is pending.
  form_->SetVisible(Control::cmdOK, false);
  form_->SetVisible(Control::cmdCancel, false);
  form_->Show();
  form_->Repaint();
}

std::string frmDllLoadTest::WithSettling(const std::string& text) const {
  return notSettled_ ? text + texts::kNewLine + texts::NotSettled(settling_) : text;
}

void frmDllLoadTest::ShowOutcome(Outcome outcome, const std::string& text) {
  outcome_ = outcome;
  SetLabel(notSettled_ ? kRed : ColourOf(outcome), WithSettling(text));
  // OK as designed, also where the window showed the work without buttons.
  if (form_->Exists()) form_->SetVisible(Control::cmdOK, true);
  Resize();
  if (form_->Exists()) form_->SetTopMost(true);
}

void frmDllLoadTest::ConfirmUpdate() {
  outcome_ = Outcome::Offered;  // closing now would leave the update undone
  SetLabel(ColourOf(outcome_),
           WithSettling(texts::ConfirmUpdate(shared_.SystemDllVersion, shared_.NewDllVersion)));
  // OK as designed, also after the window showed an interrupted update being settled.
  form_->SetVisible(Control::cmdOK, true);
  form_->SetVisible(Control::cmdCancel, true);
  Resize();
  if (form_->Exists()) form_->SetTopMost(true);
}

void frmDllLoadTest::UpToDate(bool keepShipped) {
  // A copy whose version cannot be read is no proof that the installed one is current: the
  // shipped copy is then kept, so that a good copy of the library remains. It is deleted
  // through the handle it is held by: no other file, whatever its path now leads to.
  const bool deleted = !keepShipped && shipped_.file->Recycle(shared_.MainWindowHandle);
  Note(keepShipped ? "Kept the shipped copy: a copy's version cannot be read"
       : deleted   ? "Deleted the shipped copy to the recycle bin"
                   : "The shipped copy could not be deleted");
  using Fate = texts::ShippedCopy;
  ShowOutcome(keepShipped ? Outcome::VersionUnreadable : Outcome::UpToDate,
              texts::UpToDate(shared_.SystemDllVersion, shared_.NewDllPath, shared_.NewDllVersion,
                              keepShipped ? Fate::Kept
                              : deleted   ? Fate::Deleted
                                          : Fate::NotDeleted));
}

void frmDllLoadTest::FreshInstall() {
  const Installer::Result done = MakeInstaller().Install();
  const bool installed = done.outcome == FileWork::Installed;
  if (installed) {
    shared_.LastVersionInfo = s_.files.GetVersionInfo(shared_.SystemDllPath);
    shared_.SystemDllVersion = shared_.LastVersionInfo.FileVersion;
  }
  ShowOutcome(
      installed && done.registration.Succeeded() ? Outcome::Installed : Outcome::NotInstalled,
      texts::AfterInstall(done.outcome, done.registration, shared_.NewDllVersion,
                          shared_.SystemDllVersion, done.inTheWay, shared_.NewDllPath, verdict_));
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

void frmDllLoadTest::Form_DpiChanged() {
  if (form_) layout_.Rescaled(*form_, UpdateNeeded);
}

// ---------------------------------------------------------------------------------------------
// Layout and the label

void frmDllLoadTest::Resize() {
  if (form_) layout_.Resize(*form_, UpdateNeeded);
}

void frmDllLoadTest::CenterForm() {
  if (form_) layout_.CenterForm(*form_);
}

void frmDllLoadTest::SetLabel(std::uint32_t colour, const std::string& text) {
  if (!form_->Exists()) return;
  form_->SetLabelForeColor(colour);
  SetLabelText(text);
}

void frmDllLoadTest::SetLabelText(const std::string& text) {
  if (!form_->Exists()) return;
  layout_.Shown(text);
  form_->SetLabelCaption(text);
  Note("Status: " + OnOneLine(text));
}

}  // namespace tarnwell
