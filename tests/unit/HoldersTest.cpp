// Other processes that have the installed copy loaded when it is replaced: they run the old
// copy until restarted, so the outcome names them and the exit code asks for a restart.
#include <algorithm>

#include "app/Lines.h"
#include "app/StatusTexts.h"
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

using texts::kNewLine;

const Holder kIndexer{"Indexer.exe", 41};
const Holder kBuild{"Build.exe", 42};
const Holder kShell{"Shell.exe", 43};
const Holder kAgent{"Agent.exe", 44};
const Holder kTray{"Tray.exe", 45};

class Holders : public ControllerTest {
 protected:
  Holders() {
    sys.Install("1.0.0.0");
    sys.Ship("2.0.0.0");
    sys.InstallIde();
  }
  bool Noted(const std::string& line) const {
    return std::find(sys.notes.begin(), sys.notes.end(), line) != sys.notes.end();
  }
  std::string UpdatedFor(const std::vector<Holder>& still) const {
    return texts::Updated("1.0.0.0", "2.0.0.0") + kNewLine + texts::RestartToUseNewVersion(still);
  }
};

TEST_F(Holders, UpdateThatLeavesTheOldCopyLoadedNamesWhoRunsItAndAsksForARestart) {
  sys.loadedBy[kInstalled] = {kIndexer, kBuild};
  // Once before the old copy is unregistered, once after the new one is in place.
  std::vector<std::string> seenAtScans;
  sys.beforeHolderScan = [&](int) {
    seenAtScans.push_back(sys.VersionAt(kInstalled) + " registered " + sys.registered);
  };
  Start();
  EXPECT_EQ(seenAtScans,
            (std::vector<std::string>{"1.0.0.0 registered 1.0.0.0", "2.0.0.0 registered 2.0.0.0"}));
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(form.foreColor, kGreen);
  EXPECT_EQ(form.caption, UpdatedFor({kIndexer, kBuild}));
  EXPECT_EQ(form.caption.substr(form.caption.rfind(kNewLine) + 2),
            "To use the new version, restart: Indexer.exe (process 41), Build.exe (process 42)");
  EXPECT_EQ(ExitCode(), 3010);
  EXPECT_TRUE(
      Noted("Running the old copy until restarted: Indexer.exe (process 41), "
            "Build.exe (process 42)"));
}

TEST_F(Holders, TheLabelNamesAtMostThreeAndCountsTheRestWhileTheLogNamesEveryOne) {
  EXPECT_EQ(texts::RestartToUseNewVersion({kIndexer}),
            "To use the new version, restart: Indexer.exe (process 41)");
  EXPECT_EQ(texts::RestartToUseNewVersion({kIndexer, kBuild, kShell}),
            "To use the new version, restart: Indexer.exe (process 41), Build.exe (process 42), "
            "Shell.exe (process 43)");
  EXPECT_EQ(texts::InUseBy({kIndexer, kBuild, kShell, kAgent}),
            "In use by: Indexer.exe (process 41), Build.exe (process 42), Shell.exe (process 43) "
            "and 1 more");

  sys.loadedBy[kInstalled] = {kIndexer, kBuild, kShell, kAgent, kTray};
  Start();
  EXPECT_EQ(form.caption,
            texts::Updated("1.0.0.0", "2.0.0.0") + kNewLine +
                "To use the new version, restart: Indexer.exe (process 41), Build.exe (process "
                "42), Shell.exe (process 43) and 2 more");
  EXPECT_TRUE(
      Noted("Running the old copy until restarted: Indexer.exe (process 41), Build.exe "
            "(process 42), Shell.exe (process 43), Agent.exe (process 44), Tray.exe "
            "(process 45)"));
}

TEST_F(Holders, OnlyProcessesThatHadTheOldCopyLoadedBeforeTheSwapAndStillRunAreNamed) {
  sys.loadedBy[kInstalled] = {kIndexer, kBuild};
  sys.beforeHolderScan = [&](int scan) {
    // The indexer ended meanwhile; the shell, and a build tool started again, loaded the new copy.
    if (scan == 2) sys.loadedBy[kInstalled] = {kShell, kBuild, {"Indexer.exe", 51}};
  };
  Start();
  EXPECT_EQ(form.caption, UpdatedFor({kBuild}));
  EXPECT_EQ(ExitCode(), 3010);
}

TEST_F(Holders, NobodyLeftOnTheOldCopyChangesNothing) {
  sys.loadedBy[kInstalled] = {kIndexer};
  sys.beforeHolderScan = [&](int scan) {
    if (scan == 2) sys.loadedBy[kInstalled].clear();
  };
  Start();
  EXPECT_EQ(form.caption, texts::Updated("1.0.0.0", "2.0.0.0"));
  EXPECT_EQ(ExitCode(), 0);
  EXPECT_TRUE(Noted("Other processes with the installed copy loaded: Indexer.exe (process 41)"));
  EXPECT_TRUE(Noted("None of them runs the old copy any more"));
}

TEST_F(Holders, TheIdeWeClosedAndTheRegistrationToolAreNotCounted) {
  sys.loadedBy[kInstalled] = {{"CorvexIDE.exe", kIdeProcessId},
                              {"regsvr32.exe", kFirstToolProcessId},
                              {"regsvr32.exe", kFirstToolProcessId + 1},
                              kIndexer};
  sys.ideWindows = 1;
  Start();
  form.Press(Control::cmdOK);
  EXPECT_EQ(form.caption, UpdatedFor({kIndexer}));
  EXPECT_EQ(ExitCode(), 3010);
}

TEST_F(Holders, AQuietRunAsksForTheRestartByItsExitCodeAndItsLog) {
  frmDllLoadTest quiet(sys.All(), {.quiet = true, .closeIde = true});
  FakeForm quietForm(quiet);
  sys.loadedBy[kInstalled] = {kIndexer};
  sys.ideWindows = 1;
  quiet.Form_Load(quietForm);
  EXPECT_EQ(sys.registered, "2.0.0.0");
  EXPECT_EQ(static_cast<int>(quiet.Result()), 3010);
  EXPECT_TRUE(Noted("Status: " + OnOneLine(UpdatedFor({kIndexer}))));
}

TEST_F(Holders, AFailedUpdateGetsNoRestartLineButNamesWhoKeepsTheOldCopyWhereKnown) {
  sys.loadedBy[kInstalled] = {kIndexer};
  sys.files[kInstalled].locked = true;
  sys.blockedBy[kInstalled] = {kAgent};
  Start();
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::UpdateFailed() + kNewLine + texts::InUseBy({kAgent}));
  EXPECT_EQ(ExitCode(), 2);
  EXPECT_TRUE(Noted("The installed copy is kept in place by Agent.exe (process 44)"));
}

TEST_F(Holders, ANewCopyThatWillNotRegisterGetsNoRestartLine) {
  sys.loadedBy[kInstalled] = {kIndexer};
  sys.registerTool.failsFor.insert("2.0.0.0");
  Start();
  EXPECT_EQ(sys.registered, "1.0.0.0");
  EXPECT_EQ(form.caption.find("restart"), std::string::npos) << form.caption;
  EXPECT_EQ(ExitCode(), 2);
}

}  // namespace
}  // namespace tarnwell::testing
