// Resize and CenterForm on a window with the classic frame, and the layout made again when the
// window moves to a monitor of another scale.
#include <functional>
#include <string>
#include <tuple>

#include "app/StatusTexts.h"
#include "tests/unit/Harness.h"

namespace tarnwell::testing {
namespace {

class Layout : public ControllerTest {
 protected:
  // A label `width` twips wide and one line (195 twips) high.
  void LabelOfWidth(float width, int lines = 1) {
    form.charWidth = width / 6;
    std::string text = "xxxxxx";
    for (int i = 1; i < lines; ++i) text += "\r\nx";
    form.SetLabelCaption(text);
  }
  Bounds Of(Control c) const { return form.ControlBounds(c); }
};

TEST_F(Layout, TwoButtonsStraddleTheCentreLineEvenWhenTheyDoNotFit) {
  frm.Form_Load(form);  // binds the window (no copies: a missing-replacement text)
  LabelOfWidth(600);
  frm.UpdateNeeded = true;
  frm.Resize();
  EXPECT_FLOAT_EQ(form.WindowBounds().width, 690);
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).left, 365);
  EXPECT_FLOAT_EQ(Of(Control::cmdCancel).left, -530);
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).top, 195 + 120 + 100);
  EXPECT_FLOAT_EQ(Of(Control::cmdCancel).top, Of(Control::cmdOK).top);
  EXPECT_TRUE(form.Visible(Control::cmdCancel));
  EXPECT_FLOAT_EQ(form.WindowBounds().height, 375 + 415 + 500);
  EXPECT_FLOAT_EQ(form.WindowBounds().left, 19200 / 2 - 690 / 2);
  EXPECT_FLOAT_EQ(form.WindowBounds().top, 15360 / 2 - 1290 / 2);
}

TEST_F(Layout, OneButtonLayoutPutsBothButtonsOnOneSpotAndKeepsTheirVisibility) {
  frm.Form_Load(form);
  LabelOfWidth(3000, 3);
  frm.UpdateNeeded = false;
  frm.Resize();
  EXPECT_FLOAT_EQ(form.WindowBounds().width, 3090);
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).left, 1545 - 427.5f);
  EXPECT_FLOAT_EQ(Of(Control::cmdCancel).left, Of(Control::cmdOK).left);
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).top, 3 * 195 + 120 + 100);
  EXPECT_FLOAT_EQ(Of(Control::cmdCancel).top, Of(Control::cmdOK).top);
  EXPECT_TRUE(form.Visible(Control::cmdOK));
  EXPECT_FALSE(form.Visible(Control::cmdCancel));
}

TEST_F(Layout, LabelSpansTheClientAreaFromItsLeftEdgeAndKeepsItsTop) {
  frm.Form_Load(form);
  LabelOfWidth(2400);
  frm.Resize();
  EXPECT_EQ(Of(Control::lblMessage).left, 0);
  EXPECT_EQ(Of(Control::lblMessage).top, 120);
  EXPECT_FLOAT_EQ(form.WindowBounds().width - FakeForm::kFrameWidth, Of(Control::lblMessage).width);
  // 125 twips of client area stay below the buttons.
  EXPECT_FLOAT_EQ(form.WindowBounds().height - FakeForm::kFrameHeight,
                  Of(Control::cmdOK).top + Of(Control::cmdOK).height + 125);
}

TEST_F(Layout, ButtonsArePlacedOnTheWidthTheWindowReallyTook) {
  frm.Form_Load(form);
  form.minimumWidth = 1500;
  LabelOfWidth(600);
  frm.UpdateNeeded = true;
  frm.Resize();
  EXPECT_FLOAT_EQ(form.WindowBounds().width, 1500);
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).left, 770);
  EXPECT_FLOAT_EQ(Of(Control::cmdCancel).left, 750 - 875);
}

TEST_F(Layout, HalfTwipsAreNotRounded) {
  frm.Form_Load(form);
  LabelOfWidth(201);
  frm.Resize();
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).left, 145.5f - 427.5f);
  EXPECT_FLOAT_EQ(form.WindowBounds().left, 9600 - 145.5f);
}

TEST_F(Layout, WindowLargerThanTheScreenIsCentredOffBothEdges) {
  frm.Form_Load(form);
  form.screen = {0, 0, 3000, 1000};
  LabelOfWidth(6000, 10);
  frm.Resize();
  EXPECT_LT(form.WindowBounds().left, 0);
  EXPECT_LT(form.WindowBounds().top, 0);
  EXPECT_FLOAT_EQ(form.WindowBounds().left, 1500 - 6090 / 2.0f);
}

TEST_F(Layout, ASecondResizeChangesNothingButBringsAMovedWindowBack) {
  frm.Form_Load(form);
  LabelOfWidth(2400, 2);
  frm.UpdateNeeded = true;
  frm.Resize();
  const Bounds window = form.WindowBounds();
  const Bounds ok = Of(Control::cmdOK);
  const Bounds cancel = Of(Control::cmdCancel);
  form.MoveWindow(10, 20);
  frm.Resize();
  EXPECT_FLOAT_EQ(form.WindowBounds().left, window.left);
  EXPECT_FLOAT_EQ(form.WindowBounds().top, window.top);
  EXPECT_FLOAT_EQ(form.WindowBounds().width, window.width);
  EXPECT_FLOAT_EQ(form.WindowBounds().height, window.height);
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).left, ok.left);
  EXPECT_FLOAT_EQ(Of(Control::cmdCancel).left, cancel.left);
}

TEST_F(Layout, CentresOnTheWorkAreaOfTheMonitorItIsOnWhereverThatLies) {
  frm.Form_Load(form);
  // A monitor left of and lower than the primary one, with a taskbar along its top.
  form.screen = {-12800, 600, 12800, 9000};
  LabelOfWidth(2400);
  frm.Resize();
  const Bounds window = form.WindowBounds();
  EXPECT_FLOAT_EQ(window.left, -12800 + 6400 - window.width / 2);
  EXPECT_FLOAT_EQ(window.top, 600 + 4500 - window.height / 2);
}

// The primary monitor at 100 %, and one at 150 % to its right, where the status text measures
// a little narrower in twips and the title needs more width than the label.
const FakeForm::Monitor kPrimary{{0, 0, 19200, 15360}, 90, 0};
const FakeForm::Monitor kScaled{{19200, 0, 12800, 9600}, 84, 6000};
// The same, with a title that needs less width than the waiting text but more than the text
// shown while the library is replaced.
const FakeForm::Monitor kScaledShortTitle{{19200, 0, 12800, 9600}, 84, 1800};

// A second program run beside the fixture's, to compare with.
struct ProgramRun {
  FakeSystem sys;
  frmDllLoadTest frm{sys.All()};
  FakeForm form{frm};
};

void StageUpdateWithIdeOpen(FakeSystem& sys) {
  sys.Install("1.0.0.0");
  sys.Ship("2.0.0.0");
  sys.InstallIde();
  sys.ideWindows = 1;
}

void ExpectSameLayout(const FakeForm& moved, const FakeForm& started) {
  for (const auto& [what, a, b] :
       {std::tuple{"window", moved.WindowBounds(), started.WindowBounds()},
        std::tuple{"label", moved.ControlBounds(Control::lblMessage),
                   started.ControlBounds(Control::lblMessage)},
        std::tuple{"OK", moved.ControlBounds(Control::cmdOK),
                   started.ControlBounds(Control::cmdOK)},
        std::tuple{"Cancel", moved.ControlBounds(Control::cmdCancel),
                   started.ControlBounds(Control::cmdCancel)}}) {
    EXPECT_FLOAT_EQ(a.left, b.left) << what;
    EXPECT_FLOAT_EQ(a.top, b.top) << what;
    EXPECT_FLOAT_EQ(a.width, b.width) << what;
    EXPECT_FLOAT_EQ(a.height, b.height) << what;
  }
  EXPECT_EQ(moved.caption, started.caption);
  EXPECT_EQ(moved.Visible(Control::cmdOK), started.Visible(Control::cmdOK));
  EXPECT_EQ(moved.Visible(Control::cmdCancel), started.Visible(Control::cmdCancel));
}

TEST_F(Layout, MovedToAMonitorOfAnotherScaleTheOfferIsLaidOutAsIfItHadStartedThere) {
  StageUpdateWithIdeOpen(sys);
  form.StartOn(kPrimary);
  Start();
  ASSERT_TRUE(frm.UpdateNeeded);
  const Bounds before = form.WindowBounds();
  // Dropped near the new monitor's top-left corner.
  form.MoveTo(kScaled, 19300, 50);

  ProgramRun there;
  StageUpdateWithIdeOpen(there.sys);
  there.form.StartOn(kScaled);
  there.frm.Form_Initialize();
  there.frm.Form_Load(there.form);

  ExpectSameLayout(form, there.form);
  // Wider for the title than the text would make it, centred on the new monitor's work area.
  EXPECT_FLOAT_EQ(form.WindowBounds().width, 6000);
  EXPECT_NE(before.width, form.WindowBounds().width);
  EXPECT_FLOAT_EQ(form.WindowBounds().left + form.WindowBounds().width / 2, 19200 + 6400);
  EXPECT_FLOAT_EQ(form.WindowBounds().top + form.WindowBounds().height / 2, 4800);
  EXPECT_TRUE(frm.UpdateNeeded);
  EXPECT_TRUE(form.Visible(Control::cmdCancel));
}

// Runs the update in `run` with the IDE slow to close; `onYield` sees every yield.
void UpdateWithSlowIde(ProgramRun& run, const FakeForm::Monitor& startOn,
                       const std::function<void(ProgramRun&, int pass)>& onYield) {
  StageUpdateWithIdeOpen(run.sys);
  run.sys.ideRefusesToClose = true;
  run.form.StartOn(startOn);
  run.frm.Form_Initialize();
  run.frm.Form_Load(run.form);
  run.sys.onYield = [&run, onYield](int pass) {
    onYield(run, pass);
    if (pass == 3) run.sys.ideWindows = 0;
  };
  run.form.Press(Control::cmdOK);
}

TEST_F(Layout, MovedWhileWaitingOrWorkingTheWindowKeepsTheStatesPlaceAndLayout) {
  const std::string working = texts::UpdateInProgress();
  // What a run started on the scaled monitor shows while waiting and while working.
  bool sawWorking = false;
  Bounds waitingWindow, waitingLabel, workingWindow, workingLabel;
  {
    ProgramRun there;
    UpdateWithSlowIde(there, kScaledShortTitle, [&](ProgramRun& r, int pass) {
      if (pass == 1) {
        waitingWindow = r.form.WindowBounds();
        waitingLabel = r.form.ControlBounds(Control::lblMessage);
      }
      if (r.form.caption == working && !sawWorking) {
        sawWorking = true;
        workingWindow = r.form.WindowBounds();
        workingLabel = r.form.ControlBounds(Control::lblMessage);
      }
    });
    ASSERT_TRUE(sawWorking);
  }

  const auto expectBounds = [](const Bounds& a, const Bounds& b, const char* what) {
    EXPECT_FLOAT_EQ(a.left, b.left) << what;
    EXPECT_FLOAT_EQ(a.top, b.top) << what;
    EXPECT_FLOAT_EQ(a.width, b.width) << what;
    EXPECT_FLOAT_EQ(a.height, b.height) << what;
  };
  {
    // Moved while waiting for the IDE: one window height below the centre, as before.
    ProgramRun moved;
    UpdateWithSlowIde(moved, kPrimary, [&](ProgramRun& r, int pass) {
      if (pass != 1) return;
      r.form.MoveTo(kScaledShortTitle, 19300, 50);
      expectBounds(r.form.WindowBounds(), waitingWindow, "window while waiting");
      expectBounds(r.form.ControlBounds(Control::lblMessage), waitingLabel, "label while waiting");
      EXPECT_EQ(r.form.caption, texts::WaitingForIde());
    });
  }
  {
    // Moved while the library is replaced: the window keeps the waiting state's layout, which
    // the progress text was shown in, and the text its new measure.
    ProgramRun moved;
    bool movedWhileWorking = false;
    UpdateWithSlowIde(moved, kPrimary, [&](ProgramRun& r, int) {
      if (r.form.caption != working || movedWhileWorking) return;
      movedWhileWorking = true;
      r.form.MoveTo(kScaledShortTitle, 19300, 50);
      expectBounds(r.form.WindowBounds(), workingWindow, "window while working");
      expectBounds(r.form.ControlBounds(Control::lblMessage), workingLabel, "label while working");
      EXPECT_EQ(r.form.caption, working);
    });
    EXPECT_TRUE(movedWhileWorking);
    // The report afterwards is laid out for itself.
    EXPECT_EQ(moved.form.foreColor, kGreen);
  }
}

}  // namespace
}  // namespace tarnwell::testing
