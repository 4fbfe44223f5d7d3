// The update of an older installed copy, frmDllLoadTest::UpdateDll and its steps: close the
// IDE and wait for it, replace the library, report, start the IDE again.
#include "app/OldCopyUsers.h"
#include "app/StatusTexts.h"
#include "app/frmDllLoadTest.h"

namespace tarnwell {
namespace {
// How long an unattended run waits for the IDE to close before it gives up the update.
constexpr std::uint64_t kUnattendedIdeLimitMs = 60'000;
}  // namespace

void frmDllLoadTest::UpdateDll() {
  if (updating_) return;
  updating_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{updating_};

  const bool IdeWasRunning = ide_.IsOpen();
  if (IdeWasRunning && !AskIdeToClose()) return;
  if (!AwaitIde()) return;

  CancelRequested = false;
  SetLabelText(texts::UpdateInProgress());
  // From here on the files are changed; should the window be closed meanwhile, the work is
  // still finished, so that the library is never left half replaced.
  // Who has the old copy loaded goes on running it after the swap, until restarted.
  const std::vector<Holder> before = LoadedBy();
  Note(before.empty() ? "No other process has the installed copy loaded"
                      : "Other processes with the installed copy loaded: " + AllNamed(before));
  const Installer::Result replaced = MakeInstaller().Replace();
  ReportUpdate(replaced, before);
  // The old copy is in use: the user is asked to close what holds it, not handed the IDE.
  if (IdeWasRunning && replaced.outcome != FileWork::OldInUse) RestartIde();
}

bool frmDllLoadTest::AskIdeToClose() {
  SetLabel(kOrange, texts::WaitingForIde());
  form_->SetVisible(Control::cmdOK, false);
  form_->SetVisible(Control::cmdCancel, true);
  UpdateNeeded = false;
  Resize();
  layout_.MoveBelowCentre(*form_);
  // Already on the screen after the offer; without one (/closeide) it appears now.
  form_->Show();
  ide_.AskToClose();
  if (form_->Exists()) return true;
  // Closed inside EndTask's yield: nothing has been touched, and nothing will be.
  outcome_ = Outcome::Cancelled;
  return false;
}

bool frmDllLoadTest::AwaitIde() {
  CancelRequested = false;
  // Nobody is there to cancel an unattended wait: it has a limit instead.
  const auto limit = settings_.quiet ? std::optional(kUnattendedIdeLimitMs) : std::nullopt;
  if (ide_.AwaitClosed(limit, [this] { return CancelRequested || !form_->Exists(); })) return true;
  AbandonUpdate();
  return false;
}

void frmDllLoadTest::AbandonUpdate() {
  outcome_ = Outcome::Cancelled;
  if (form_->Exists()) form_->Unload();
}

std::vector<Holder> frmDllLoadTest::LoadedBy() {
  std::vector<std::uint32_t> notCounted = registration_.Started();
  if (ide_.ClosedProcessId() != 0) notCounted.push_back(ide_.ClosedProcessId());
  return s_.holders.Of(shared_.SystemDllPath, notCounted);
}

std::string frmDllLoadTest::UpdateText(const Installer::Result& replaced,
                                       const std::vector<Holder>& still) {
  std::string text =
      texts::AfterUpdate(replaced.outcome, replaced.registration, shared_.SystemDllVersion,
                         shared_.NewDllVersion, replaced.inTheWay, shared_.NewDllPath, verdict_);
  if (!still.empty()) return text + texts::kNewLine + texts::RestartToUseNewVersion(still);
  if (replaced.outcome != FileWork::OldInUse) return text;
  // Who keeps the old copy from being moved, where the platform can tell.
  const std::vector<Holder> blocking = s_.holders.Blocking(shared_.SystemDllPath);
  if (blocking.empty()) return text;
  Note("The installed copy is kept in place by " + AllNamed(blocking));
  return text + texts::kNewLine + texts::InUseBy(blocking);
}

void frmDllLoadTest::ReportUpdate(const Installer::Result& replaced,
                                  const std::vector<Holder>& before) {
  const bool updated = replaced.outcome == FileWork::Installed && replaced.registration.Succeeded();
  std::vector<Holder> still;
  if (updated && !before.empty()) {
    still = StillOnTheOldCopy(before, LoadedBy());
    Note(still.empty() ? "None of them runs the old copy any more"
                       : "Running the old copy until restarted: " + AllNamed(still));
  }
  outcome_ = !updated        ? Outcome::NotUpdated
             : still.empty() ? Outcome::Updated
                             : Outcome::UpdatedInUse;
  CancelRequested = false;
  const std::string text = UpdateText(replaced, still);
  if (!form_->Exists()) return;
  SetLabel(ColourOf(outcome_), text);
  form_->SetVisible(Control::cmdOK, true);
  form_->SetVisible(Control::cmdCancel, false);
  UpdateNeeded = false;
  Resize();
  form_->Repaint();
  form_->Show();
}

void frmDllLoadTest::RestartIde() {
  if (ide_.Restart(shared_.MainWindowHandle)) return;
  // We closed it and cannot bring it back: the user is told to.
  if (!form_->Exists()) return;
  SetLabelText(layout_.Text() + texts::kNewLine + texts::kStartIdeAgain);
  Resize();
  form_->Repaint();
}

}  // namespace tarnwell
