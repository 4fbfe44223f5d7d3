// Resize and CenterForm on a window with the classic frame.
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
  form.screen = {3000, 1000};
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
  form.SetWindowLeft(10);
  form.SetWindowTop(20);
  frm.Resize();
  EXPECT_FLOAT_EQ(form.WindowBounds().left, window.left);
  EXPECT_FLOAT_EQ(form.WindowBounds().top, window.top);
  EXPECT_FLOAT_EQ(form.WindowBounds().width, window.width);
  EXPECT_FLOAT_EQ(form.WindowBounds().height, window.height);
  EXPECT_FLOAT_EQ(Of(Control::cmdOK).left, ok.left);
  EXPECT_FLOAT_EQ(Of(Control::cmdCancel).left, cancel.left);
}

}  // namespace
}  // namespace tarnwell::testing
