// The update of an older installed copy, frmDllLoadTest::UpdateDll and its steps: close the
// IDE and wait for it, replace the library, report, start the IDE again.
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
  const Installer::Result replaced = MakeInstaller().Replace();
  ReportUpdate(replaced);
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

void frmDllLoadTest::ReportUpdate(const Installer::Result& replaced) {
  const bool updated = replaced.outcome == FileWork::Installed && replaced.registration.Succeeded();
  outcome_ = updated ? Outcome::Updated : Outcome::NotUpdated;
  CancelRequested = false;
  if (!form_->Exists()) return;
  SetLabel(ColourOf(outcome_), texts::AfterUpdate(replaced.outcome, replaced.registration,
                                                  shared_.SystemDllVersion, shared_.NewDllVersion,
                                                  replaced.inTheWay, shared_.NewDllPath, verdict_));
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
