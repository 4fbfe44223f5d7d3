// Runs started for deployment tools: the quiet run decides as the window would and never waits
// for a person, /closeide takes the place of the question, and the log tells what happened.
#include <algorithm>

#include "app/Lines.h"
#include "app/StatusTexts.h"
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

using namespace modDllUp;

// The run's log alone, without the fake system's own record of what it was told.
struct LinesLog final : Report {
  void Note(const std::string& line) override { lines.push_back(line); }
  void Box(const std::string&, const std::string&, BoxIcon) override {}
  void Trace(std::string_view, std::uint32_t, bool) override {}
  bool Has(const std::string& line) const {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  std::vector<std::string> lines;
};

// The controller under given settings, on a system with an older copy installed and the IDE
// open.
class Unattended : public ::testing::Test {
 protected:
  Unattended() {
    sys.Install("1.0.0.0");
    sys.Ship("2.0.0.0");
    sys.InstallIde();
    sys.ideWindows = 1;
  }
  void Start() {
    frm.Form_Initialize();
    if (!frm.Ended()) frm.Form_Load(form);
  }
  int ExitCode() const { return static_cast<int>(frm.Result()); }
  void ExpectNothingChanged() const {
    EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
    EXPECT_EQ(sys.registered, "1.0.0.0");
    EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
    EXPECT_TRUE(sys.commandLines.empty());
    EXPECT_EQ(sys.FilesStartingWith(kInstalled), std::vector<std::string>{kInstalled});
  }

  FakeSystem sys;
  LinesLog log;
  RunSettings settings{.quiet = true, .closeIde = false};
  frmDllLoadTest frm{sys.All(log), settings};
  FakeForm form{frm};
};

TEST_F(Unattended, QuietRunLeavesAnOpenIdeAloneAndSaysTheUpdateDidNotRun) {
  Start();
  ExpectNothingChanged();
  EXPECT_EQ(sys.closeRequests, 0);
  EXPECT_EQ(sys.yields, 0) << "nothing to wait for";
  EXPECT_EQ(ExitCode(), 3);
  EXPECT_TRUE(
      log.Has("Outcome: update not run: the Corvex IDE is open and /closeide was not given"));
}

TEST_F(Unattended, QuietRunWithCloseIdeGivesUpAfterAMinuteOfAnIdeThatStaysOpen) {
  sys.ideRefusesToClose = true;
  frmDllLoadTest closing(sys.All(log), {.quiet = true, .closeIde = true});
  FakeForm closingForm(closing);
  const auto started = sys.now;
  closing.Form_Load(closingForm);
  EXPECT_EQ(sys.closeRequests, 1);
  EXPECT_GE(sys.now - started, 60'000u);
  EXPECT_LT(sys.now - started, 61'000u);
  ExpectNothingChanged();
  EXPECT_EQ(static_cast<int>(closing.Result()), 3);
  EXPECT_TRUE(log.Has("The Corvex IDE is still open after 60 s: nothing is changed"));
}

TEST_F(Unattended, QuietRunGivesUpOnAnIdeProcessThatOutlivesItsWindowByAMinute) {
  sys.ideProcessLingers = 1'000'000;
  frmDllLoadTest closing(sys.All(log), {.quiet = true, .closeIde = true});
  FakeForm closingForm(closing);
  const auto started = sys.now;
  closing.Form_Load(closingForm);
  EXPECT_EQ(sys.closeRequests, 1);
  EXPECT_GE(sys.now - started, 60'000u);
  EXPECT_LT(sys.now - started, 61'000u) << "the window and the process share the one minute";
  ExpectNothingChanged();
  EXPECT_EQ(static_cast<int>(closing.Result()), 3);
  EXPECT_TRUE(log.Has("Waiting for the Corvex IDE to end"));
  EXPECT_TRUE(log.Has("The Corvex IDE is still open after 60 s: nothing is changed"));
}

TEST_F(Unattended, QuietRunWithCloseIdeUpdatesAndBringsTheIdeBack) {
  frmDllLoadTest closing(sys.All(log), {.quiet = true, .closeIde = true});
  FakeForm closingForm(closing);
  closing.Form_Load(closingForm);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(sys.registered, "2.0.0.0");
  EXPECT_TRUE(sys.Logged("start " + kIdeProgram + " state 1"));
  EXPECT_EQ(static_cast<int>(closing.Result()), 0);
  // What a support person reads, in order (file steps in between left out).
  const std::vector<std::string> expected{
      "Shipped copy: " + kShipped + ", version 2.0.0.0",
      "Installed copy: " + kInstalled + ", version 1.0.0.0",
      "Outcome: update, the Corvex IDE is open and may be closed (/closeide)",
      "Asked the Corvex IDE to close",
      "Checked the copy: 4096 bytes, version 2.0.0.0",
      "regsvr32 /u /s " + kInstalled + ": exit code 0",
      "Deleted the installed copy to the recycle bin",
      "regsvr32 /s " + kInstalled + ": exit code 0",
      "Status: " + OnOneLine(texts::Updated("1.0.0.0", "2.0.0.0")),
      "Started the Corvex IDE again: " + kIdeProgram,
  };
  auto at = log.lines.begin();
  for (const std::string& line : expected) {
    at = std::find(at, log.lines.end(), line);
    ASSERT_NE(at, log.lines.end()) << "missing or out of order: " << line;
  }
}

TEST_F(Unattended, CloseIdeWithTheWindowSkipsTheQuestionButShowsTheWait) {
  frmDllLoadTest closing(sys.All(log), {.quiet = false, .closeIde = true});
  FakeForm closingForm(closing);
  bool shownWhileWaiting = false;
  sys.onYield = [&](int) {
    shownWhileWaiting =
        shownWhileWaiting || (closingForm.shown && closingForm.foreColor == kOrange);
  };
  sys.ideProcessLingers = 2;
  closing.Form_Load(closingForm);
  EXPECT_TRUE(shownWhileWaiting) << "the person at the screen sees what the program waits for";
  EXPECT_EQ(sys.closeRequests, 1);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
  EXPECT_EQ(closingForm.foreColor, kGreen);
  EXPECT_FALSE(log.Has("The user pressed OK")) << "nobody was asked";
  EXPECT_EQ(static_cast<int>(closing.Result()), 0);
}

TEST_F(Unattended, TheWindowsAnswersAreLoggedBesideTheSameDecisions) {
  frmDllLoadTest asking(sys.All(log), {.quiet = false, .closeIde = false});
  FakeForm askingForm(asking);
  asking.Form_Load(askingForm);
  EXPECT_TRUE(log.Has("Outcome: update offered, the Corvex IDE is open"));
  askingForm.Press(Control::cmdCancel);
  EXPECT_TRUE(log.Has("The user pressed Cancel"));
  EXPECT_EQ(log.lines.back(), "The window was closed");
}

TEST_F(Unattended, SecondInstanceLogsWhyAndItsExitCodeBeforeItEnds) {
  sys.previousInstance = true;
  Start();
  EXPECT_EQ(sys.endedWith, 4);
  ExpectNothingChanged();
  const std::vector<std::string> expected{"Another instance is running: nothing is done",
                                          "Exit code 4"};
  EXPECT_EQ(log.lines, expected);
  EXPECT_EQ(sys.Count("raise running instance"), 0) << "a quiet run changed the screen";
}

TEST_F(Unattended, SecondInstanceWithTheWindowLogsThatItRaisedTheRunningOne) {
  sys.previousInstance = true;
  frmDllLoadTest asking(sys.All(log), {.quiet = false, .closeIde = false});
  asking.Form_Initialize();
  EXPECT_EQ(sys.endedWith, 4);
  const std::vector<std::string> expected{"Another instance is running: nothing is done",
                                          "Brought the running instance's window to the front",
                                          "Exit code 4"};
  EXPECT_EQ(log.lines, expected);
}

}  // namespace
}  // namespace tarnwell::testing
