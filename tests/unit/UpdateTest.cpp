// The update of an older installed copy: closing the IDE, waiting, replacing, reporting.
#include <algorithm>

#include "app/StatusTexts.h"
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

using namespace modDllUp;

class Update : public ControllerTest {
 protected:
  Update() {
    sys.Install("1.0.0.0");
    sys.Ship("2.0.0.0");
    sys.InstallIde();
  }

  // Start-up with the IDE open leaves the two-button offer; OK then runs the update.
  void OfferThenPressOK() {
    sys.ideWindows = 1;
    Start();
    ASSERT_TRUE(frm.UpdateNeeded);
    form.Press(Control::cmdOK);
  }

  std::vector<std::string> FileWork() const {
    std::vector<std::string> work;
    for (const auto& entry : sys.log) {
      if (entry.rfind("close", 0) != 0) work.push_back(entry);
    }
    return work;
  }

  void ExpectUntouched() const {
    EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
    EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
    EXPECT_EQ(sys.Count("unregister"), 0);
    EXPECT_EQ(sys.Count("delete"), 0);
    EXPECT_EQ(sys.Count("start"), 0);
  }

  static std::string Registered(const char* version) {
    return std::string("register ") + version + " state 2";
  }
  static std::string Unregistered(const char* version) {
    return std::string("unregister ") + version + " state 2";
  }
  const std::string kStartIde = "start " + kIdeProgram + " state 1";
};

TEST_F(Update, ClosesTheIdeWaitsReplacesRegistersAndRestartsIt) {
  OfferThenPressOK();
  EXPECT_EQ(sys.closeRequests, 1);
  EXPECT_EQ(FileWork(), (std::vector<std::string>{
                            "copy " + kShipped + " -> " + kStaged, "mark " + kJournal,
                            "copy " + kInstalled + " -> " + kBackup, Unregistered("1.0.0.0"),
                            "delete " + kInstalled, "rename " + kStaged + " -> " + kInstalled,
                            Registered("2.0.0.0"), "remove " + kShipped, "remove " + kBackup,
                            "remove " + kJournal, kStartIde}));
  EXPECT_EQ(sys.trash, std::vector<std::string>{kInstalled + " 1.0.0.0"});
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(sys.registered, "2.0.0.0");
  EXPECT_FALSE(sys.Has(kShipped));
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  EXPECT_EQ(form.foreColor, kGreen);
  EXPECT_EQ(form.caption, texts::Updated("1.0.0.0", "2.0.0.0"));
  EXPECT_TRUE(form.Visible(Control::cmdOK));
  EXPECT_FALSE(form.Visible(Control::cmdCancel));
  EXPECT_FALSE(frm.UpdateNeeded);
  EXPECT_FALSE(frm.CancelRequested);
  EXPECT_GT(form.repaints, 0);
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Update, RegistrationCommandsAreQuotedAndRunByFullPath) {
  OfferThenPressOK();
  const std::string tool = "\"C:\\Windows\\system32\\regsvr32.exe\" ";
  EXPECT_EQ(sys.commandLines, (std::vector<std::string>{tool + "/u /s \"" + kInstalled + "\"",
                                                        tool + "/s \"" + kInstalled + "\"",
                                                        "\"" + kIdeProgram + "\""}));
}

TEST_F(Update, WaitingShowsOrangeWithOnlyCancelOneWindowHeightBelowTheCentre) {
  sys.ideRefusesToClose = true;
  sys.ideWindows = 1;
  Start();
  Bounds waiting;
  sys.onYield = [&](int pass) {
    if (pass != 1) return;
    waiting = form.WindowBounds();
    EXPECT_EQ(form.foreColor, kOrange);
    EXPECT_EQ(form.caption, texts::WaitingForIde());
    EXPECT_FALSE(form.Visible(Control::cmdOK));
    EXPECT_TRUE(form.Visible(Control::cmdCancel));
    sys.ideWindows = 0;
  };
  form.Press(Control::cmdOK);
  // Two lines of 26 characters: centred, then moved down by its own height.
  const float width = 26 * form.charWidth + 90;
  const float height = 2 * 195 + 120 + 100 + 375 + 500;
  EXPECT_FLOAT_EQ(waiting.width, width);
  EXPECT_FLOAT_EQ(waiting.left, 9600 - width / 2);
  EXPECT_FLOAT_EQ(waiting.top, 7680 - height / 2 + height);
}

TEST_F(Update, EveryPassWaitsForInputInsteadOfSpinning) {
  sys.ideRefusesToClose = true;
  sys.ideWindows = 1;
  Start();
  int searchesAtFirstYield = 0;
  sys.onYield = [&](int pass) {
    if (pass == 1) searchesAtFirstYield = sys.taskSearches;
    if (pass == 50) sys.ideWindows = 0;
  };
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.yields, 50 + 2 * 2) << "the wait, then two registrations of two polls each";
  EXPECT_EQ(sys.taskSearches - searchesAtFirstYield, 50) << "one window search per pass";
  EXPECT_EQ(sys.idleWaited.count(), sys.yields * 20);
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Update, IdeAbsentAtTheStartIsNeitherClosedNorRestarted) {
  Start();
  EXPECT_EQ(sys.closeRequests, 0);
  EXPECT_EQ(sys.Count("start"), 0);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(form.foreColor, kGreen);
}

TEST_F(Update, IdeClosedByTheUserBeforeOKIsNotRestarted) {
  sys.ideWindows = 1;
  Start();
  sys.ideWindows = 0;
  const Bounds offered = form.WindowBounds();
  sys.onYield = [&](int pass) {
    if (pass != 1) return;
    // Only the text changes before the result: colour, buttons and place stay.
    EXPECT_EQ(form.caption, texts::UpdateInProgress());
    EXPECT_EQ(form.foreColor, kDarkBlue);
    EXPECT_TRUE(form.Visible(Control::cmdOK));
    EXPECT_TRUE(form.Visible(Control::cmdCancel));
    EXPECT_FLOAT_EQ(form.WindowBounds().top, offered.top);
  };
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.closeRequests, 0);
  EXPECT_EQ(sys.Count("start"), 0);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
}

TEST_F(Update, IdeOpenedAfterTheCheckIsWaitedForButNotRestarted) {
  sys.ideWindows = 1;
  Start();
  sys.ideWindows = 0;
  const int before = sys.taskSearches;
  sys.onTaskSearch = [&](int n) {
    if (n == before + 1) sys.ideWindows = 1;  // appears right after the update's first look
  };
  sys.onYield = [&](int pass) {
    if (pass == 3) sys.ideWindows = 0;
  };
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.closeRequests, 0);
  EXPECT_GE(sys.yields, 3);
  EXPECT_EQ(sys.Count("start"), 0);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
}

TEST_F(Update, CancelDuringTheWaitEndsTheProgramAndTouchesNothing) {
  sys.ideRefusesToClose = true;
  sys.ideWindows = 1;
  Start();
  sys.onYield = [&](int pass) {
    if (pass == 5) form.Press(Control::cmdCancel);
  };
  form.Press(Control::cmdOK);
  EXPECT_FALSE(form.Exists());
  EXPECT_EQ(sys.yields, 5);
  EXPECT_TRUE(frm.CancelRequested);
  ExpectUntouched();
  ExpectNothingWrittenAfterUnload();
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Update, CloseBoxDuringTheWaitEndsTheProgramAndTouchesNothing) {
  sys.ideRefusesToClose = true;
  sys.ideWindows = 1;
  Start();
  sys.onYield = [&](int pass) {
    if (pass == 2) form.CloseBox();
  };
  form.Press(Control::cmdOK);
  EXPECT_FALSE(form.Exists());
  EXPECT_EQ(form.unloadModes, std::vector<int>{vbFormControlMenu});
  ExpectUntouched();
  ExpectNothingWrittenAfterUnload();
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Update, CancelWinsOverTheIdeLeavingInTheSameYield) {
  sys.ideRefusesToClose = true;
  sys.ideWindows = 1;
  Start();
  sys.onYield = [&](int pass) {
    if (pass != 3) return;
    sys.ideWindows = 0;
    form.Press(Control::cmdCancel);
  };
  form.Press(Control::cmdOK);
  EXPECT_FALSE(form.Exists());
  ExpectUntouched();
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Update, TwoIdeWindowsGetOneCloseRequestAndAreBothWaitedFor) {
  sys.ideWindows = 2;
  Start();
  sys.onYield = [&](int pass) {
    if (pass == 4) sys.ideWindows = 0;
  };
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.closeRequests, 1);
  EXPECT_GE(sys.yields, 4);
  EXPECT_EQ(sys.Count("start"), 1);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
}

TEST_F(Update, IdeProcessIsWaitedForAfterItsWindowIsGone) {
  sys.ideProcessLingers = 6;
  OfferThenPressOK();
  EXPECT_GE(sys.yields, 6);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
}

TEST_F(Update, WaitsForProcessesWakeWhenTheProcessEnds) {
  sys.ideProcessLingers = 2;
  OfferThenPressOK();
  const auto& wakes = sys.wakeOns;
  EXPECT_EQ(std::count(wakes.begin(), wakes.end(), kIdeWaitable), 2);
  EXPECT_EQ(std::count(wakes.begin(), wakes.end(), kUnregisterWaitable), 2);
  EXPECT_EQ(std::count(wakes.begin(), wakes.end(), kRegisterWaitable), 2);
}

TEST_F(Update, IdeProcessThatOutlivesItsWindowKeepsTheLibraryUntouchedUntilCancelled) {
  sys.ideProcessLingers = 1'000'000;
  sys.ideWindows = 1;
  Start();
  // Long past any time the IDE could need; still waiting, still orange, Cancel still live.
  sys.onYield = [&](int pass) {
    if (pass != 2000) return;
    EXPECT_EQ(form.caption, texts::WaitingForIde());
    EXPECT_EQ(sys.Count("unregister"), 0);
    form.Press(Control::cmdCancel);
  };
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.yields, 2000);
  EXPECT_FALSE(form.Exists());
  ExpectUntouched();
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Update, CancelWhileTheIdeProcessEndsAbandonsTheUpdate) {
  sys.ideProcessLingers = 1'000;
  sys.ideWindows = 1;
  Start();
  sys.onYield = [&](int pass) {
    if (pass == 2) form.Press(Control::cmdCancel);
  };
  form.Press(Control::cmdOK);
  EXPECT_FALSE(form.Exists());
  ExpectUntouched();
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Update, NoInstalledCopyLeftAtTheDeleteStepIsSimplyReplaced) {
  sys.ideWindows = 1;
  Start();
  sys.files.erase(kInstalled);
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.Count("unregister"), 0);
  EXPECT_EQ(sys.Count("delete"), 0);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_TRUE(sys.Logged(Registered("2.0.0.0")));
  EXPECT_EQ(form.foreColor, kGreen);
}

TEST_F(Update, InstalledCopyInUseIsRegisteredAgainAndKept) {
  sys.files[kInstalled].locked = true;
  OfferThenPressOK();
  EXPECT_EQ(FileWork(), (std::vector<std::string>{
                            "copy " + kShipped + " -> " + kStaged, "mark " + kJournal,
                            "copy " + kInstalled + " -> " + kBackup, Unregistered("1.0.0.0"),
                            "delete " + kInstalled, Registered("1.0.0.0"), "remove " + kStaged,
                            "remove " + kBackup, "remove " + kJournal}));
  EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::UpdateFailed());
  EXPECT_TRUE(form.Visible(Control::cmdOK));
  EXPECT_FALSE(form.Visible(Control::cmdCancel));
  EXPECT_FALSE(frm.UpdateNeeded);
  EXPECT_EQ(sys.Count("start"), 0) << "the IDE stays closed";
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Update, FailedSwapPutsTheOldCopyBackAndRegistersIt) {
  sys.cannotRename.insert(kStaged);
  OfferThenPressOK();
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
  EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  EXPECT_EQ(sys.Count("register 1.0.0.0"), 1);
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::Restored("2.0.0.0", "1.0.0.0", true));
  EXPECT_FALSE(frm.UpdateNeeded) << "OK now closes instead of trying again";
  EXPECT_TRUE(sys.Logged(kStartIde));
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Update, FailedSwapAndFailedRestoreAreSettledByTheNextStart) {
  sys.cannotRename = {kStaged, kBackup};
  OfferThenPressOK();
  EXPECT_FALSE(sys.Has(kInstalled));
  EXPECT_TRUE(sys.Has(kBackup));
  EXPECT_TRUE(sys.Has(kJournal)) << "the next start must know there is work left";
  EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
  EXPECT_EQ(sys.Count("register"), 0);
  EXPECT_EQ(form.caption, texts::Restored("2.0.0.0", "1.0.0.0", false));
  EXPECT_EQ(ExitCode(), 2);

  // Whatever kept the files from being renamed has gone by the next start.
  sys.cannotRename.clear();
  sys.ideWindows = 0;
  frmDllLoadTest again(sys.All());
  FakeForm againForm(again);
  again.Form_Load(againForm);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(sys.registered, "2.0.0.0");
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  EXPECT_EQ(static_cast<int>(again.Result()), 0);
}

TEST_F(Update, NewCopyThatWillNotRegisterGivesWayToTheOldOneRegisteredAgain) {
  sys.registerTool.failsFor = {"2.0.0.0"};
  OfferThenPressOK();
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_EQ(sys.Count("register 1.0.0.0"), 1);
  EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0") << "the only other copy of the new version";
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption,
            texts::NewNotRegistered("2.0.0.0", "1.0.0.0", {RegistrationResult::Kind::Finished, 5}));
  EXPECT_TRUE(sys.Logged(kStartIde)) << "the IDE we closed works on with the old copy";
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Update, NewCopyThatWillNotRegisterAndNoWayBackIsSettledByTheNextStart) {
  sys.registerTool.failsFor = {"2.0.0.0"};
  sys.cannotRename.insert(kBackup);
  OfferThenPressOK();
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(sys.registered, "");
  EXPECT_TRUE(sys.Has(kJournal)) << "the next start must know there is work left";
  EXPECT_EQ(form.caption,
            texts::UpdatedNotRegistered("2.0.0.0", {RegistrationResult::Kind::Finished, 5}));
  EXPECT_EQ(ExitCode(), 2);

  // Whatever kept the backup from being renamed has gone by the next start.
  sys.cannotRename.clear();
  sys.ideWindows = 0;
  frmDllLoadTest again(sys.All());
  FakeForm againForm(again);
  again.Form_Load(againForm);
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  // The shipped copy is offered again: it is newer, and the IDE is closed, so it is tried again,
  // and fails again, ending with the old copy in place and registered.
  EXPECT_EQ(static_cast<int>(again.Result()), 2);
}

TEST_F(Update, ProgramFilesPathEndingInABackslashGetsNoSecondOne) {
  sys.programFilesFolder = "C:\\Program Files\\";
  OfferThenPressOK();
  EXPECT_TRUE(sys.Logged(kStartIde));
}

TEST_F(Update, MissingIdeExecutableIsNotStarted) {
  sys.files.erase(kIdeProgram);
  OfferThenPressOK();
  EXPECT_EQ(sys.Count("start"), 0);
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Update, ElevatedProgramRestartsTheIdeAsTheDesktopUser) {
  sys.elevated = true;
  OfferThenPressOK();
  EXPECT_EQ(sys.Count("start"), 1);
  EXPECT_TRUE(sys.Logged("start as desktop user " + kIdeProgram));
}

TEST_F(Update, ElevatedProgramWithoutADesktopShellStartsTheIdeWithoutAdministratorRights) {
  sys.elevated = true;
  sys.desktopLaunchWorks = false;
  OfferThenPressOK();
  EXPECT_EQ(sys.Count("start"), 1);
  EXPECT_TRUE(sys.Logged("start as normal user " + kIdeProgram + " state 1"));
  EXPECT_FALSE(form.caption.ends_with(texts::kStartIdeAgain));
}

TEST_F(Update, IdeThatCannotBeStartedWithoutAdministratorRightsIsLeftToTheUser) {
  sys.elevated = true;
  sys.desktopLaunchWorks = false;
  sys.normalUserLaunchWorks = false;
  OfferThenPressOK();
  EXPECT_EQ(sys.Count("start"), 0) << "never with our rights";
  EXPECT_EQ(form.caption,
            texts::Updated("1.0.0.0", "2.0.0.0") + texts::kNewLine + texts::kStartIdeAgain);
  EXPECT_EQ(form.foreColor, kGreen);
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Update, UnknownProgramFilesFolderMeansNoRestartAndSaysSo) {
  sys.programFilesFolder = "";
  sys.files["\\CorvexIDE\\CorvexIDE.exe"] = {"1.0.0.0"};
  OfferThenPressOK();
  EXPECT_EQ(sys.Count("start"), 0);
  EXPECT_TRUE(form.caption.ends_with(std::string(texts::kNewLine) + texts::kStartIdeAgain));
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Update, WindowClosedInsideEndTasksYieldAbandonsEverything) {
  sys.ideWindows = 1;
  sys.ideRefusesToClose = true;
  Start();
  // Cancel still finds the flag set by start-up, so it closes the window at once.
  sys.onEndTaskYield = [&] { form.Press(Control::cmdCancel); };
  form.Press(Control::cmdOK);
  EXPECT_FALSE(form.Exists());
  EXPECT_EQ(sys.yields, 0) << "no wait after the window has gone";
  ExpectUntouched();
  ExpectNothingWrittenAfterUnload();
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Update, WindowClosedDuringRegistrationStillFinishesTheWork) {
  sys.ideWindows = 1;
  Start();
  sys.unregisterTool.runningPolls = 3;
  sys.onYield = [&](int) {
    if (sys.Count("unregister") == 1 && form.Exists()) form.CloseBox();
  };
  form.Press(Control::cmdOK);
  EXPECT_FALSE(form.Exists());
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_TRUE(sys.Logged(Registered("2.0.0.0")));
  EXPECT_TRUE(sys.Logged(kStartIde));
  ExpectNothingWrittenAfterUnload();
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Update, SecondPressOfOKDuringARegistrationWaitStartsNoSecondUpdate) {
  sys.ideWindows = 1;
  Start();
  sys.ideWindows = 0;  // closed by the user: OK stays visible while the work runs
  sys.onYield = [&](int) { form.Press(Control::cmdOK); };
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.Count("unregister"), 1);
  EXPECT_EQ(sys.Count("register 2.0.0.0"), 1);
  EXPECT_EQ(sys.Count("rename " + kStaged), 1);
  EXPECT_EQ(form.foreColor, kGreen);
  EXPECT_TRUE(form.Exists()) << "the extra presses neither closed the window nor updated again";
}

}  // namespace
}  // namespace tarnwell::testing
