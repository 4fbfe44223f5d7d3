// The file work of an install and an update: what is installed is what was checked, nothing is
// touched without a way back, and a run stopped dead at any step is settled by the next start.
#include <algorithm>

#include "app/StatusTexts.h"
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

using namespace modDllUp;

// One start of the program on the given system, as a fresh process would make it.
struct ProgramStart {
  explicit ProgramStart(FakeSystem& sys) : frm(sys.All()) {}
  // False when the system stopped the program dead.
  bool Start() {
    try {
      frm.Form_Initialize();
      if (!frm.Ended()) frm.Form_Load(form);
      return true;
    } catch (const Killed&) {
      return false;
    }
  }
  int ExitCode() const { return static_cast<int>(frm.Result()); }

  frmDllLoadTest frm;
  FakeForm form{frm};
};

class FileWork : public ControllerTest {
 protected:
  // The library ends in place, registered in its own version, with no helper file beside it.
  void ExpectSettled(const std::string& version) const {
    EXPECT_EQ(sys.VersionAt(kInstalled), version);
    EXPECT_EQ(sys.registered, version);
    EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  }
};

// Every step an update or an install takes, stopped dead after it; then a second start.
class KillPoints : public ::testing::TestWithParam<bool> {
 protected:
  static void Prepare(FakeSystem& sys, bool update) {
    sys.Ship("2.0.0.0");
    if (update) sys.Install("1.0.0.0");
  }
};

TEST_P(KillPoints, EveryStepStoppedDeadIsSettledByTheNextStart) {
  const bool update = GetParam();
  FakeSystem whole;
  Prepare(whole, update);
  ASSERT_TRUE(ProgramStart(whole).Start());
  const int steps = static_cast<int>(whole.steps.size());
  ASSERT_GE(steps, update ? 10 : 6);

  for (int kill = 1; kill <= steps; ++kill) {
    SCOPED_TRACE("stopped after step " + std::to_string(kill));
    FakeSystem sys;
    Prepare(sys, update);
    sys.killAfterStep = kill;
    ASSERT_FALSE(ProgramStart(sys).Start());
    // At every point one good copy is left, in place or beside the program.
    EXPECT_TRUE(sys.VersionAt(kInstalled) == "2.0.0.0" || sys.VersionAt(kShipped) == "2.0.0.0" ||
                sys.VersionAt(kStaged) == "2.0.0.0");

    sys.killAfterStep = 0;
    ProgramStart next(sys);
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
    EXPECT_EQ(sys.registered, "2.0.0.0");
    EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
    EXPECT_FALSE(sys.Has(kShipped));
    // Finished at once, or found already finished: either way nothing is left to do.
    EXPECT_TRUE(next.ExitCode() == 0 || next.ExitCode() == 1) << next.ExitCode();
  }
}

INSTANTIATE_TEST_SUITE_P(Work, KillPoints, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Update" : "Install"; });

// An update whose new copy will not register, stopped dead after each of its steps: whatever
// the next start finds, it ends with a copy in place that is registered, and nothing else.
TEST(KillPointsOfARestore, EveryStepStoppedDeadEndsWithARegisteredCopy) {
  const auto prepare = [](FakeSystem& sys) {
    sys.Install("1.0.0.0");
    sys.Ship("2.0.0.0");
    sys.registerTool.failsFor = {"2.0.0.0"};
  };
  FakeSystem whole;
  prepare(whole);
  ASSERT_TRUE(ProgramStart(whole).Start());
  ASSERT_EQ(whole.VersionAt(kInstalled), "1.0.0.0");
  const int steps = static_cast<int>(whole.steps.size());
  for (int kill = 1; kill <= steps; ++kill) {
    SCOPED_TRACE("stopped after step " + std::to_string(kill) + ": " + whole.steps[kill - 1]);
    FakeSystem sys;
    prepare(sys);
    sys.killAfterStep = kill;
    ASSERT_FALSE(ProgramStart(sys).Start());
    sys.killAfterStep = 0;
    ProgramStart next(sys);
    ASSERT_TRUE(next.Start());
    EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
    EXPECT_EQ(sys.registered, "1.0.0.0");
    EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
    EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0") << "the new version's only copy";
    EXPECT_EQ(next.ExitCode(), 2);
  }
}

TEST_F(FileWork, KilledDuringTheRegistrationTheNewCopyIsRegisteredAtTheNextStart) {
  sys.Ship("2.0.0.0");
  sys.Install("1.0.0.0");
  FakeSystem whole = sys;
  ASSERT_TRUE(ProgramStart(whole).Start());
  const auto registering =
      std::find(whole.steps.begin(), whole.steps.end(), "register 2.0.0.0 state 2");
  ASSERT_NE(registering, whole.steps.end());
  // Stopped once the tool has started on the new copy, before it ends.
  sys.killAfterStep = static_cast<int>(registering - whole.steps.begin()) + 1;
  ASSERT_FALSE(ProgramStart(sys).Start());
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(sys.registered, "") << "the tool was stopped with the program";
  EXPECT_TRUE(sys.Has(kJournal));

  sys.killAfterStep = 0;
  sys.log.clear();
  ProgramStart next(sys);
  ASSERT_TRUE(next.Start());
  ExpectSettled("2.0.0.0");
  // Settled before the check, which then finds nothing left to do.
  EXPECT_EQ(sys.log.front(), "register 2.0.0.0 state 2");
  // The shipped copy stays until the new copy is registered; found as new now, it is deleted.
  EXPECT_EQ(next.form.caption,
            texts::UpToDate("2.0.0.0", kShipped, "2.0.0.0", texts::ShippedCopy::Deleted));
  EXPECT_EQ(next.ExitCode(), 0);
}

TEST_F(FileWork, SettlingAJournalShowsTheWorkAndThenTheOfferWithBothButtons) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  sys.files[kJournal] = {""};
  sys.registered = "";  // stopped after the unregistration
  sys.InstallIde();
  sys.ideWindows = 1;
  std::string seenDuringRecovery;
  sys.onYield = [&](int) {
    if (seenDuringRecovery.empty() && form.shown) seenDuringRecovery = form.caption;
  };
  Start();
  EXPECT_EQ(seenDuringRecovery, texts::UpdateInProgress());
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_FALSE(sys.Has(kJournal));
  EXPECT_TRUE(frm.UpdateNeeded);
  EXPECT_EQ(form.foreColor, kDarkBlue);
  EXPECT_TRUE(form.Visible(Control::cmdOK));
  EXPECT_TRUE(form.Visible(Control::cmdCancel));
}

TEST_F(FileWork, LeftoversOfAnUnfinishedStagingAreRemovedWithoutTouchingTheRegistration) {
  sys.Install("1.0.0.0");
  sys.files[kStaged] = {"2.0.0.0"};
  sys.files[kBackup] = {"1.0.0.0"};
  Start();
  ExpectSettled("1.0.0.0");
  EXPECT_TRUE(sys.commandLines.empty()) << "nothing was unregistered, so nothing is registered";
}

// Held from the start, the shipped copy cannot change; should its copy in the system folder
// still not come out as it was checked (a disk that returns other bytes), it is not installed.
TEST_F(FileWork, CopyThatDoesNotComeOutAsCheckedIsNotInstalled) {
  for (const bool sameSize : {true, false}) {
    SCOPED_TRACE(sameSize ? "an older build of the same size" : "another file");
    FakeSystem sys;
    sys.Install("1.0.0.0");
    sys.Ship("2.0.0.0");
    sys.InstallIde();
    sys.ideWindows = 1;
    ProgramStart run(sys);
    ASSERT_TRUE(run.Start());
    ASSERT_TRUE(run.frm.UpdateNeeded);
    sys.onTaskSearch = [&](int) {
      sys.files[kShipped].version = sameSize ? "0.9.0.0" : "2.0.0.0";
      sys.files[kShipped].size = sameSize ? 4096u : 5000u;
    };
    run.form.Press(Control::cmdOK);

    EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
    EXPECT_EQ(sys.registered, "1.0.0.0");
    EXPECT_EQ(sys.Count("unregister"), 0);
    EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
    EXPECT_TRUE(sys.Has(kShipped)) << "what lies there is left for the user to see";
    EXPECT_EQ(run.form.foreColor, kRed);
    EXPECT_EQ(run.form.caption, texts::Changed("2.0.0.0", "1.0.0.0", true));
    EXPECT_TRUE(sys.Logged("start " + kIdeProgram + " state 1")) << "the IDE we closed is back";
    EXPECT_EQ(run.ExitCode(), 2);
  }
}

// The program folder's path re-pointed to another folder while the program waits for the IDE:
// what is installed and then removed is the copy that was checked, and the other folder's
// Quandrel.dll is never read, installed or deleted.
TEST_F(FileWork, ShippedCopyRepointedDuringTheWaitIsTheOneInstalledAndRemoved) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  sys.InstallIde();
  sys.ideWindows = 1;
  Start();
  ASSERT_TRUE(frm.UpdateNeeded);
  bool repointed = false;
  sys.onTaskSearch = [&](int) {
    if (repointed) return;
    repointed = true;
    sys.Repoint(kShipped, {"9.9.9.9", false, 1234});
  };
  form.Press(Control::cmdOK);
  ASSERT_TRUE(repointed);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(sys.registered, "2.0.0.0");
  EXPECT_EQ(sys.VersionAt(kShipped), "9.9.9.9") << "the other folder's copy is untouched";
  EXPECT_EQ(sys.files[kShipped].size, 1234u);
  EXPECT_EQ(sys.FilesStartingWith("\\\\elsewhere"), std::vector<std::string>{})
      << "the copy that was checked is the one removed";
  EXPECT_EQ(form.foreColor, kGreen);
  EXPECT_EQ(ExitCode(), 0);
}

// Another process opens every file that appears in the system folder as soon as it can, and
// keeps it open: the helper files are the program's alone, so the work goes through.
TEST_F(FileWork, AReaderOfEveryNewFileCannotHoldTheHelperFiles) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  std::vector<std::string> taken;
  sys.onOpenable = [&](const std::string& path) {
    if (!sys.Has(path)) return;
    sys.files[path].locked = true;
    taken.push_back(path);
  };
  Start();
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(sys.registered, "2.0.0.0");
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  // Only the new library itself, once the program let go of it.
  EXPECT_EQ(taken, std::vector<std::string>{kInstalled});
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(FileWork, AHelperNameTakenByAFolderOrAReadOnlyFileIsNamedAndNothingIsTouched) {
  for (const std::string& blocked : {kStaged, kBackup, kJournal}) {
    for (const bool folder : {true, false}) {
      SCOPED_TRACE(blocked + (folder ? " a folder" : " read-only"));
      FakeSystem sys;
      sys.Install("1.0.0.0");
      sys.Ship("2.0.0.0");
      sys.files[blocked] = {""};
      (folder ? sys.files[blocked].folder : sys.files[blocked].readOnly) = true;
      ProgramStart run(sys);
      ASSERT_TRUE(run.Start());
      EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
      EXPECT_EQ(sys.registered, "1.0.0.0");
      EXPECT_EQ(sys.Count("unregister"), 0);
      EXPECT_EQ(sys.Count("copy"), 0);
      EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
      EXPECT_EQ(run.form.foreColor, kRed);
      EXPECT_EQ(run.form.caption, texts::InTheWay(blocked, "1.0.0.0", true));
      EXPECT_EQ(run.ExitCode(), 2);
    }
  }
}

TEST_F(FileWork, AnInterruptedUpdateThatCannotBeRegisteredEndsInFailureAndSaysSo) {
  sys.Install("1.0.0.0");
  sys.files[kJournal] = {""};
  sys.registered = "";
  sys.registerTool.exitCode = 5;
  Start();
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::ReplacementMissing(kShipped) + texts::kNewLine +
                              texts::NotSettled({RegistrationResult::Kind::Finished, 5}));
  EXPECT_EQ(ExitCode(), 2) << "not 1: the library is left unregistered";

  // Once registered, nothing is left to fail: a later run with nothing to do ends as ever.
  for (const bool overruns : {true, false}) {
    FakeSystem next;
    next.Install("1.0.0.0");
    next.files[kJournal] = {""};
    next.registered = "";
    next.registerTool.finishes = !overruns;
    next.registerTool.exitCode = overruns ? 0 : 5;
    ProgramStart run(next);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(run.ExitCode(), 2) << (overruns ? "overran" : "failed");
  }
}

TEST_F(FileWork, ClosingTheWindowWhileAnInterruptedUpdateIsSettledStopsWhatWouldFollow) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  sys.files[kJournal] = {""};
  sys.registered = "";
  sys.onYield = [&](int) {
    if (form.Exists()) form.CloseBox();
  };
  Start();
  EXPECT_EQ(sys.registered, "1.0.0.0") << "the settling itself runs to its end";
  EXPECT_FALSE(sys.Has(kJournal));
  EXPECT_EQ(sys.Count("copy"), 0) << "no update follows a window the user closed";
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
  EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
  ExpectNothingWrittenAfterUnload();
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(FileWork, FailuresBeforeTheOldCopyIsTouchedLeaveItAsItWas) {
  struct Case {
    const char* name;
    std::string cannotCreate;
    std::string text;
  };
  const Case cases[] = {
      {"disk full", kStaged, texts::NotCopied("1.0.0.0")},
      {"no journal", kJournal, texts::NotCopied("1.0.0.0")},
      {"no backup", kBackup, texts::NoBackup("1.0.0.0")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeSystem sys;
    sys.Install("1.0.0.0");
    sys.Ship("2.0.0.0");
    sys.cannotCreate.insert(c.cannotCreate);
    ProgramStart run(sys);
    ASSERT_TRUE(run.Start());
    EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
    EXPECT_EQ(sys.registered, "1.0.0.0");
    EXPECT_EQ(sys.Count("unregister"), 0);
    EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
    EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
    EXPECT_EQ(run.form.foreColor, kRed);
    EXPECT_EQ(run.form.caption, c.text);
    EXPECT_EQ(run.ExitCode(), 2);
  }
}

TEST_F(FileWork, FreshInstallOfACopyChangedSinceTheCheckInstallsNothing) {
  sys.Ship("2.0.0.0");
  sys.beforeCopy = [&](const std::string&) { sys.files[kShipped] = {"1.0.0.0"}; };
  Start();
  EXPECT_FALSE(sys.Has(kInstalled));
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{});
  EXPECT_EQ(sys.Count("register"), 0);
  EXPECT_TRUE(sys.Has(kShipped));
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::Changed("2.0.0.0", "", false));
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(FileWork, RegistrationToolRunsFromTheSystemDirectoryAndTheIdeFromItsOwnFolder) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  sys.InstallIde();
  sys.ideWindows = 1;
  Start();
  form.Press(Control::cmdOK);
  EXPECT_EQ(sys.launchFolders, (std::vector<std::string>{kSystemDirectory, kSystemDirectory,
                                                         "C:\\Program Files\\CorvexIDE"}));
  EXPECT_EQ(sys.deleteOwners, std::vector<NativeWindow>{form.Handle()})
      << "the shell's dialogs belong to our window";
}

TEST_F(FileWork, UnknownSystemDirectoryStartsNoRegistrationToolFromTheDrivesRoot) {
  sys.Ship("2.0.0.0");
  sys.systemDirectory = "";
  Start();
  EXPECT_TRUE(sys.commandLines.empty());
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(form.caption, texts::NotRegistered("2.0.0.0", {RegistrationResult::Kind::NotStarted}));
  EXPECT_TRUE(sys.Has(kJournal)) << "the next start registers it";
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(FileWork, RegistrationToolThatOverrunsItsMinuteIsEndedAndTriedAgainNextStart) {
  sys.Ship("2.0.0.0");
  sys.registerTool.finishes = false;
  Start();
  EXPECT_TRUE(sys.Logged("terminate register tool"));
  EXPECT_EQ(form.caption, texts::NotRegistered("2.0.0.0", {RegistrationResult::Kind::TimedOut}));
  EXPECT_TRUE(sys.Has(kJournal));

  sys.registerTool.finishes = true;
  ProgramStart next(sys);
  ASSERT_TRUE(next.Start());
  ExpectSettled("2.0.0.0");
}

}  // namespace
}  // namespace tarnwell::testing
