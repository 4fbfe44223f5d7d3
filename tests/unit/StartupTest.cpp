// The start-up check: which outcome the two copies lead to, and what each outcome shows.
#include <optional>

#include "app/StatusTexts.h"
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

using namespace modDllUp;
using Fate = texts::ShippedCopy;

class Startup : public ControllerTest {};

TEST_F(Startup, SecondInstanceRaisesTheRunningWindowAndEndsBeforeAnyWindowOrFile) {
  sys.previousInstance = true;
  sys.Ship("2.0.0.0");
  Start();
  EXPECT_EQ(sys.endedWith, 4);
  EXPECT_FALSE(form.shown);
  const std::vector<std::string> expected{"raise running instance", "end process 4"};
  EXPECT_EQ(sys.log, expected);
  EXPECT_TRUE(sys.Has(kShipped));
}

TEST_F(Startup, SecondInstanceEndsTheSameWhenTheRunningOneShowsNoWindow) {
  sys.previousInstance = true;
  sys.runningInstanceWindow = false;
  Start();
  EXPECT_EQ(sys.endedWith, 4);
  EXPECT_FALSE(form.shown);
  const std::vector<std::string> expected{"raise running instance", "end process 4"};
  EXPECT_EQ(sys.log, expected);
}

TEST_F(Startup, SecondInstanceFoundOnlyAsTheWindowLoadsRaisesTheRunningWindowToo) {
  frm.Form_Initialize();
  sys.previousInstance = true;
  frm.Form_Load(form);
  EXPECT_EQ(sys.endedWith, 4);
  EXPECT_FALSE(form.shown);
  const std::vector<std::string> expected{"raise running instance", "end process 4"};
  EXPECT_EQ(sys.log, expected);
}

TEST_F(Startup, InstanceIsCheckedAgainWhenTheWindowLoads) {
  Start();
  EXPECT_EQ(sys.instanceChecks, 2);
  EXPECT_TRUE(frm.CancelRequested);
}

TEST_F(Startup, PathsAreBuiltFromTheProgramAndSystemFolders) {
  sys.programFolder = "D:\\";
  sys.systemFolder = "C:\\Windows\\SysWOW64\\";
  Start();
  EXPECT_EQ(frm.Shared().NewDllPath, "D:\\Quandrel.dll");
  EXPECT_EQ(frm.Shared().SystemDllPath, kInstalled);
  EXPECT_EQ(frm.Shared().MainWindowHandle, form.Handle());
}

TEST_F(Startup, UnknownSystemFolderTouchesNothingAndSaysSo) {
  sys.systemFolder = "";
  sys.Ship("1.2.3.4");
  sys.files["\\Quandrel.dll"] = {"1.0.0.0"};  // what the drive's root would offer
  Start();
  EXPECT_EQ(frm.Shared().SystemDllPath, "");
  EXPECT_TRUE(sys.log.empty());
  EXPECT_TRUE(sys.Has(kShipped));
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::NoSystemFolder());
  EXPECT_TRUE(form.shown);
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Startup, UnknownProgramFolderFindsNoShippedCopyOnTheDrivesRoot) {
  sys.programFolder = "";
  sys.files["\\Quandrel.dll"] = {"2.0.0.0"};
  sys.Install("1.0.0.0");
  Start();
  EXPECT_EQ(frm.Shared().NewDllPath, "");
  EXPECT_TRUE(sys.log.empty());
  EXPECT_EQ(ExitCode(), 1);
}

TEST_F(Startup, LastVersionInfoHoldsTheInstalledCopyWhenBothExist) {
  sys.Ship("1.2.3.4");
  sys.Install("1.2.3.5");
  Start();
  EXPECT_EQ(frm.Shared().LastVersionInfo.FileVersion, "1.2.3.5");
  EXPECT_EQ(frm.Shared().NewDllVersion, "1.2.3.4");
  EXPECT_EQ(frm.Shared().SystemDllVersion, "1.2.3.5");
}

TEST_F(Startup, EqualVersionsDeleteTheShippedCopy) {
  sys.Ship("1.2.3.4");
  sys.Install("1.2.3.4");
  Start();
  EXPECT_FALSE(sys.Has(kShipped));
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.2.3.4");
  EXPECT_EQ(sys.trash, std::vector<std::string>{kShipped + " 1.2.3.4"});
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::UpToDate("1.2.3.4", kShipped, "1.2.3.4", Fate::Deleted));
  EXPECT_TRUE(form.Visible(Control::cmdOK));
  EXPECT_FALSE(form.Visible(Control::cmdCancel));
  EXPECT_FALSE(frm.UpdateNeeded);
  EXPECT_TRUE(form.shown);
  EXPECT_EQ(form.topMost, std::vector<bool>{true});
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Startup, NewerInstalledCopyReadsLikeEqualVersions) {
  sys.Ship("1.2.3.4");
  sys.Install("1.2.3.5");
  Start();
  EXPECT_FALSE(sys.Has(kShipped));
  EXPECT_EQ(form.caption, texts::UpToDate("1.2.3.5", kShipped, "1.2.3.4", Fate::Deleted));
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Startup, ShippedCopyThatCannotBeDeletedIsReportedSo) {
  sys.Ship("1.2.3.4");
  sys.files[kShipped].locked = true;
  sys.Install("1.2.3.4");
  Start();
  EXPECT_TRUE(sys.Has(kShipped));
  EXPECT_EQ(form.caption, texts::UpToDate("1.2.3.4", kShipped, "1.2.3.4", Fate::NotDeleted));
}

TEST_F(Startup, ShippedCopyWithoutVersionIsKeptAsProvingNothing) {
  sys.Ship("");
  sys.Install("1.2.3.4");
  Start();
  EXPECT_EQ(sys.versionBoxes, 1);
  EXPECT_TRUE(sys.Has(kShipped));
  EXPECT_TRUE(sys.trash.empty());
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::UpToDate("1.2.3.4", kShipped, "", Fate::Kept));
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Startup, ShippedCopyThatIsALinkOrHasASecondNameIsNeitherReadNorTouched) {
  for (const bool installed : {false, true}) {
    SCOPED_TRACE(installed ? "update" : "fresh install");
    FakeSystem sys;
    sys.Ship("2.0.0.0");
    sys.files[kShipped].link = true;
    if (installed) sys.Install("1.0.0.0");
    frmDllLoadTest frm(sys.All());
    FakeForm form(frm);
    frm.Form_Initialize();
    frm.Form_Load(form);
    EXPECT_TRUE(sys.log.empty()) << sys.log.front();
    EXPECT_EQ(sys.versionBoxes, 0);
    EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
    EXPECT_EQ(sys.FilesStartingWith(kInstalled),
              installed ? std::vector<std::string>{kInstalled} : std::vector<std::string>{});
    EXPECT_EQ(form.foreColor, kRed);
    EXPECT_EQ(form.caption, texts::ShippedRefused(kShipped, Holding::State::NotPlain));
    EXPECT_EQ(static_cast<int>(frm.Result()), 2);
  }
}

TEST_F(Startup, UnreadableInstalledCopyNeverCostsTheShippedOne) {
  sys.Ship("1.2.3.4");
  sys.Install("");
  Start();
  EXPECT_EQ(sys.versionBoxes, 1);
  EXPECT_TRUE(sys.Has(kShipped));
  EXPECT_TRUE(sys.Has(kInstalled));
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::UpToDate("", kShipped, "1.2.3.4", Fate::Kept));
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Startup, FreshInstallMovesRegistersAndRereadsTheVersion) {
  sys.Ship("1.2.3.4");
  Start();
  EXPECT_FALSE(sys.Has(kShipped));
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.2.3.4");
  EXPECT_EQ(sys.commandLines,
            std::vector<std::string>{"\"C:\\Windows\\system32\\regsvr32.exe\" /s \"" + kInstalled +
                                     "\""});
  EXPECT_TRUE(sys.Logged("register 1.2.3.4 state 2"));
  EXPECT_EQ(form.foreColor, kGreen);
  EXPECT_EQ(form.caption, texts::Installed("1.2.3.4"));
  EXPECT_GT(sys.yields, 0) << "the registration is waited for with messages handled";
  EXPECT_EQ(ExitCode(), 0);
}

TEST_F(Startup, FreshInstallWhoseRegistrationFailsSaysSo) {
  sys.Ship("1.2.3.5");
  sys.registerTool.exitCode = 5;
  Start();
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::NotRegistered("1.2.3.5", {RegistrationResult::Kind::Finished, 5}));
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Startup, FreshInstallWhoseRegistrationToolIsMissingOrHangs) {
  sys.Ship("1.2.3.5");
  sys.registerTool.starts = false;
  Start();
  EXPECT_EQ(form.caption, texts::NotRegistered("1.2.3.5", {RegistrationResult::Kind::NotStarted}));
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Startup, RegistrationIsAbandonedAfterAMinute) {
  sys.Ship("1.2.3.5");
  sys.registerTool.finishes = false;
  const auto started = sys.now;
  Start();
  EXPECT_EQ(form.caption, texts::NotRegistered("1.2.3.5", {RegistrationResult::Kind::TimedOut}));
  EXPECT_GE(sys.now - started, 60'000u);
  EXPECT_LT(sys.now - started, 61'000u);
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Startup, FreshInstallThatCannotBeCopiedInKeepsTheShippedCopy) {
  sys.Ship("1.2.3.4");
  sys.cannotCreate.insert(kStaged);
  Start();
  EXPECT_TRUE(sys.Has(kShipped));
  EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{});
  EXPECT_EQ(sys.Count("register"), 0);
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::NotInstalled(""));
  EXPECT_EQ(ExitCode(), 2);
}

TEST_F(Startup, MissingReplacementTouchesNothing) {
  sys.Install("1.2.3.4");
  Start();
  EXPECT_TRUE(sys.log.empty());
  EXPECT_EQ(form.foreColor, kRed);
  EXPECT_EQ(form.caption, texts::ReplacementMissing(kShipped));
  EXPECT_EQ(ExitCode(), 1);
}

TEST_F(Startup, NeitherCopyIsAlsoAMissingReplacement) {
  Start();
  EXPECT_EQ(form.caption, texts::ReplacementMissing(kShipped));
  EXPECT_TRUE(form.shown);
  EXPECT_EQ(ExitCode(), 1);
}

TEST_F(Startup, OlderCopyWithTheIdeOpenAsksFirst) {
  sys.Ship("1.2.10.0");
  sys.Install("1.2.9.0");
  sys.ideWindows = 1;
  Start();
  EXPECT_TRUE(frm.UpdateNeeded);
  EXPECT_TRUE(frm.CancelRequested);
  EXPECT_EQ(form.foreColor, kDarkBlue);
  EXPECT_EQ(form.caption, texts::ConfirmUpdate("1.2.9.0", "1.2.10.0"));
  EXPECT_TRUE(form.Visible(Control::cmdOK));
  EXPECT_TRUE(form.Visible(Control::cmdCancel));
  EXPECT_TRUE(sys.log.empty()) << "nothing is installed before the user agrees";
  EXPECT_EQ(form.topMost.size(), 1u);
  EXPECT_TRUE(form.shown);
  EXPECT_EQ(ExitCode(), 3) << "closing now would leave the update undone";
}

TEST_F(Startup, OlderCopyWithoutTheIdeIsUpdatedBeforeTheWindowShows) {
  sys.Ship("1.0.0.300");
  sys.Install("1.0.0.0");
  Start();
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.300");
  EXPECT_FALSE(sys.Has(kShipped));
  EXPECT_EQ(form.foreColor, kGreen);
  EXPECT_EQ(form.caption, texts::Updated("1.0.0.0", "1.0.0.300"));
  EXPECT_TRUE(form.shown);
  EXPECT_TRUE(form.topMost.empty());
  EXPECT_EQ(sys.closeRequests, 0);
  EXPECT_EQ(ExitCode(), 0);
}

}  // namespace
}  // namespace tarnwell::testing

namespace tarnwell::testing {
namespace {

// What the window shows while the work that needs no confirmation runs.
struct SeenWhileWorking {
  bool shown = false;
  std::string caption;
  std::uint32_t colour = 0;
  bool ok = true;
  bool cancel = true;
};

TEST_F(Startup, WorkWithoutAQuestionRunsWithTheWindowAlreadyShowingIt) {
  for (const bool update : {false, true}) {
    SCOPED_TRACE(update ? "update, the IDE closed" : "fresh install");
    FakeSystem sys;
    sys.Ship("2.0.0.0");
    if (update) sys.Install("1.0.0.0");
    frmDllLoadTest frm(sys.All());
    FakeForm form(frm);
    std::optional<SeenWhileWorking> seen;
    // The first yield is inside the first registration's wait.
    sys.onYield = [&](int) {
      if (!seen) {
        seen = SeenWhileWorking{form.shown, form.caption, form.foreColor,
                                form.Visible(Control::cmdOK), form.Visible(Control::cmdCancel)};
      }
    };
    frm.Form_Initialize();
    frm.Form_Load(form);
    ASSERT_TRUE(seen.has_value());
    EXPECT_TRUE(seen->shown);
    EXPECT_EQ(seen->caption, texts::UpdateInProgress());
    EXPECT_EQ(seen->colour, kDarkBlue);
    EXPECT_FALSE(seen->ok || seen->cancel) << "nothing to press while the work runs";
    // Then the outcome, as ever.
    EXPECT_EQ(form.foreColor, kGreen);
    EXPECT_TRUE(form.Visible(Control::cmdOK));
    EXPECT_FALSE(form.Visible(Control::cmdCancel));
    EXPECT_EQ(static_cast<int>(frm.Result()), 0);
  }
}

}  // namespace
}  // namespace tarnwell::testing
