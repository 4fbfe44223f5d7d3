// OK, Cancel and closing, in every state the start-up check leaves.
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

class Commands : public ControllerTest {};

TEST_F(Commands, CancelOnTheOfferClosesAtOnceAndInstallsNothing) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  sys.ideWindows = 1;
  Start();
  form.Press(Control::cmdCancel);
  EXPECT_FALSE(form.Exists());
  EXPECT_EQ(form.unloadModes, std::vector<int>{vbFormCode});
  EXPECT_EQ(sys.VersionAt(kShipped), "2.0.0.0");
  EXPECT_EQ(sys.VersionAt(kInstalled), "1.0.0.0");
  EXPECT_EQ(sys.closeRequests, 0);
  EXPECT_EQ(ExitCode(), 3);
}

TEST_F(Commands, OKOnTheOfferRunsTheUpdate) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  sys.ideWindows = 1;
  Start();
  form.Press(Control::cmdOK);
  EXPECT_TRUE(form.Exists());
  EXPECT_EQ(sys.closeRequests, 1);
  EXPECT_EQ(sys.VersionAt(kInstalled), "2.0.0.0");
}

struct OneButtonState {
  const char* name;
  const char* installed;  // nullptr: none
  const char* shipped;
  int exitCode;
};

void PrintTo(const OneButtonState& state, std::ostream* out) { *out << state.name; }

class OneButton : public ControllerTest, public ::testing::WithParamInterface<OneButtonState> {};

TEST_P(OneButton, OKClosesTheWindowAndKeepsTheOutcomesExitCode) {
  if (GetParam().installed) sys.Install(GetParam().installed);
  if (GetParam().shipped) sys.Ship(GetParam().shipped);
  Start();
  ASSERT_FALSE(frm.UpdateNeeded);
  ASSERT_FALSE(form.Visible(Control::cmdCancel));
  form.Press(Control::cmdOK);
  EXPECT_FALSE(form.Exists());
  EXPECT_TRUE(frm.CancelRequested);
  EXPECT_EQ(ExitCode(), GetParam().exitCode);
}

TEST_P(OneButton, CloseBoxIsNeverRefused) {
  if (GetParam().installed) sys.Install(GetParam().installed);
  if (GetParam().shipped) sys.Ship(GetParam().shipped);
  Start();
  form.CloseBox();
  EXPECT_FALSE(form.Exists());
  EXPECT_EQ(ExitCode(), GetParam().exitCode);
}

INSTANTIATE_TEST_SUITE_P(States, OneButton,
                         ::testing::Values(OneButtonState{"UpToDate", "1.2.3.4", "1.2.3.4", 0},
                                           OneButtonState{"FreshInstall", nullptr, "1.2.3.4", 0},
                                           OneButtonState{"Missing", "1.2.3.4", nullptr, 1},
                                           OneButtonState{"Updated", "1.0.0.0", "1.2.3.4", 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Commands, CancelWithTheFlagClearOnlyRecordsTheRequest) {
  Start();
  frm.CancelRequested = false;
  frm.cmdCancel_Click();
  EXPECT_TRUE(form.Exists());
  EXPECT_TRUE(frm.CancelRequested);
  frm.cmdCancel_Click();
  EXPECT_FALSE(form.Exists());
}

TEST_F(Commands, QueryUnloadRecordsTheRequestAndLetsTheWindowClose) {
  Start();
  frm.CancelRequested = false;
  int cancel = 0;
  frm.Form_QueryUnload(cancel, vbFormControlMenu);
  EXPECT_EQ(cancel, 0);
  EXPECT_TRUE(frm.CancelRequested);
}

}  // namespace
}  // namespace tarnwell::testing
