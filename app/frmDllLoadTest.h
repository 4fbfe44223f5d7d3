#pragma once
// The program's window and what it does on each of its events: the start-up check, the update,
// the commands and closing. The decision at start, the waits, the registration tool, the IDE,
// the file work and the layout each live in a unit of their own; this one puts them in order.

#include <string>
#include <vector>

#include "app/IdeSession.h"
#include "app/Installer.h"
#include "app/Layout.h"
#include "app/Outcome.h"
#include "app/PublisherCheck.h"
#include "app/Registration.h"
#include "app/StartDecision.h"
#include "app/Wait.h"
#include "app/modDllUp.h"
#include "app/system/Services.h"

namespace tarnwell {

// How the program was asked to run; the defaults are a run without arguments.
struct RunSettings {
  // No window and no box: the form is a stand-in nobody sees, and the program ends as soon as
  // the outcome is known. An update that needs the IDE closed runs only with closeIde.
  bool quiet = false;
  // The update may close the IDE without asking.
  bool closeIde = false;
};

class frmDllLoadTest final : public FormEvents {
 public:
  explicit frmDllLoadTest(const Services& services, RunSettings settings = {});

  // Runs as the program starts, before the window exists: a second instance ends here.
  void Form_Initialize();
  // `form` is this window, created with its design values and not yet shown.
  void Form_Load(Form& form);
  void cmdOK_Click() override;
  void cmdCancel_Click() override;
  void Form_QueryUnload(int& cancel, int unloadMode) override;
  // Lays the window out again at its new scale as it would have been laid out had it started
  // there: for the text of the last Resize, and as far below the centre as it was.
  void Form_DpiChanged() override;

  // Lays the window out around the status text for the current UpdateNeeded and centres it.
  void Resize();
  // Replaces the installed copy, closing the IDE first when it is open.
  void UpdateDll();

  // The installed copy is older: the window offers the update with OK and Cancel.
  bool UpdateNeeded = false;
  // Cancel closes the window at once; while false, it only asks the wait for the IDE to stop.
  bool CancelRequested = false;

  // The process's exit code for the state the program is in now. An interrupted update that
  // could not be settled leaves the library unregistered: that is a failure, unless this run
  // has since put a registered copy in place.
  ExitCode Result() const {
    const bool registered = outcome_ == Outcome::Installed || outcome_ == Outcome::Updated ||
                            outcome_ == Outcome::UpdatedInUse;
    return notSettled_ && !registered ? ExitCode::Failed : ExitCodeOf(outcome_);
  }
  // True once EndProcess has been asked for (an Instance that returns from it lets callers see).
  bool Ended() const { return ended_; }
  const modDllUp::SharedState& Shared() const { return shared_; }

 private:
  void CenterForm();
  void EndAsSecondInstance();
  // Finishes or undoes what an interrupted run left; false when the window was closed meanwhile,
  // which ends the run.
  bool Settle();
  // Holds the shipped copy, reads both copies' versions and what else the decision at start
  // needs.
  Situation LookAround();
  void CarryOut(StartAction action);

  // The outcomes of the start-up check.
  void ConfirmUpdate();
  void UpToDate(bool keepShipped);
  void FreshInstall();
  void ShowOutcome(Outcome outcome, const std::string& text);
  // `text`, and a line more when an interrupted update could not be settled.
  std::string WithSettling(const std::string& text) const;
  // Before file work that may take a while: the window shows "Update in progress" without
  // buttons, so that nobody waits on nothing and starts the program a second time.
  void ShowWorking();

  // Steps of the update. Shows the waiting state and asks the IDE to close; false when the
  // window was closed meanwhile.
  bool AskIdeToClose();
  // False when the wait for the IDE was cancelled or ran out: the window closes.
  bool AwaitIde();
  // `before`: the other processes that had the installed copy loaded before it was replaced.
  void ReportUpdate(const Installer::Result& replaced, const std::vector<Holder>& before);
  // The other processes that have the installed copy loaded now, but for the IDE we closed and
  // the registration tool.
  std::vector<Holder> LoadedBy();
  // The status text of the update, with the users of the library where there are any.
  std::string UpdateText(const Installer::Result& replaced, const std::vector<Holder>& still);
  // Starts the IDE again; when it cannot be, the outcome gains a line asking the user to.
  void RestartIde();
  Installer MakeInstaller();
  void AbandonUpdate();

  // Writes to the window only while it exists: it may have been closed inside a yield.
  void SetLabel(std::uint32_t colour, const std::string& text);
  void SetLabelText(const std::string& text);
  void Note(const std::string& line) { s_.report.Note(line); }

  Services s_;
  RunSettings settings_;
  Waiter waiter_;
  RegistrationTool registration_;
  IdeSession ide_;
  PublisherCheck publisher_;
  // What the last publisher check of a copy found.
  PublisherVerdict verdict_;
  WindowLayout layout_;
  Form* form_ = nullptr;
  modDllUp::SharedState shared_;
  // The shipped copy, held from the moment it is first looked at until the program ends.
  Holding shipped_;
  Outcome outcome_ = Outcome::Undecided;
  // Settling an interrupted update failed, with this registration.
  bool notSettled_ = false;
  RegistrationResult settling_;
  bool ended_ = false;
  bool updating_ = false;
};

}  // namespace tarnwell
