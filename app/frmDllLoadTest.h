#pragma once
// The program's window and everything it decides: the start-up check, the update, the
// commands and closing. It reaches the screen only through Form and the OS only through System.

#include <cstdint>
#include <memory>
#include <string>

#include "app/Form.h"
#include "app/Installer.h"
#include "app/RunLog.h"
#include "app/System.h"
#include "app/modDllUp.h"

namespace tarnwell {

// How the program was asked to run; the defaults are a run without arguments.
struct RunSettings {
  // No window and no box: the form is a stand-in nobody sees, and the program ends as soon as
  // the outcome is known. An update that needs the IDE closed runs only with closeIde.
  bool quiet = false;
  // The update may close the IDE without asking.
  bool closeIde = false;
  // Where every decision and step is written down; none when null.
  RunLog* log = nullptr;
};

class frmDllLoadTest final : public FormEvents {
 public:
  explicit frmDllLoadTest(System& system, RunSettings settings = {});

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

  // The process's exit code for the state the program is in now.
  ExitCode Result() const { return result_; }
  // True once EndProcess has been asked for (a System that returns from it lets callers see).
  bool Ended() const { return ended_; }
  const modDllUp::SharedState& Shared() const { return shared_; }

 private:
  void CenterForm();
  // Moves the centred window down by its own height, out of the way of the IDE's close prompt.
  void MoveBelowCentre();
  void EndAsSecondInstance();

  // The outcomes of the start-up check.
  void ConfirmUpdate();
  void UpToDate();
  void FreshInstall();
  void ReplacementMissing();
  void ShowOutcome(std::uint32_t colour, const std::string& text);
  // Before file work that may take a while: the window shows "Update in progress" without
  // buttons, so that nobody waits on nothing and starts the program a second time.
  void ShowWorking();

  // Steps of the update.
  // Shows the waiting state and posts the IDE a close request; false when the window was
  // closed meanwhile. `ide` receives the IDE's process.
  bool AskIdeToClose(std::unique_ptr<Process>& ide);
  // Waits until no IDE window is left and `ide` (if any) has ended; false when cancelled.
  bool AwaitIde(Process* ide);
  void ReportUpdate(std::uint32_t colour, const std::string& text);
  std::string FailureText(Installer::Outcome outcome) const;
  // Starts the IDE again; when it cannot be, the outcome gains a line asking the user to.
  void RestartIde();
  bool LaunchIde(const std::string& program);
  // The file work, whose registrations run through RunRegSvr32.
  Installer MakeInstaller();

  // Sets the exit code a registration's outcome gives and answers its colour: green when it
  // worked, red when not.
  std::uint32_t Judge(const RegistrationResult& registration);
  // Starts the registration tool and waits for it, handling messages meanwhile.
  RegistrationResult RunRegSvr32(const std::string& switches);
  // Waits for `process` up to `limitMs`, handling messages. False when the user cancelled.
  bool AwaitProcess(Process& process, std::uint64_t limitMs);
  // Ends the wait for the IDE on the user's request: closes the window (unless the yield
  // already did) and records the cancel.
  void AbandonUpdate();

  // One line for the run's log.
  void Note(const std::string& line);
  // Both copies as read at start, for the log.
  void NoteCopy(const char* which, const std::string& path, const std::string& version);

  // Writes to the window only while it exists: it may have been closed inside a yield.
  void SetLabel(std::uint32_t colour, const std::string& text);
  void SetLabelText(const std::string& text);

  System& sys_;
  RunSettings settings_;
  Form* form_ = nullptr;
  modDllUp::SharedState shared_;
  // The status text as last written, to which a line can be added.
  std::string label_;
  // The status text the last Resize laid the window out for, and whether the window has been
  // given another text since, which it shows without a new layout.
  std::string laidOutLabel_;
  bool textSinceLayout_ = false;
  // The last layout was moved below the centre.
  bool belowCentre_ = false;
  ExitCode result_ = ExitCode::Current;
  bool ended_ = false;
  bool updating_ = false;
};

}  // namespace tarnwell
