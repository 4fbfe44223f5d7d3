#include "app/Layout.h"

#include "app/Frame.h"

namespace tarnwell {
namespace {

// Twips. The window is as wide as the label plus the frame's borders; the buttons sit a little
// below the label, side by side about the centre when both show; the window ends a margin plus
// the frame's bottom border and title bar below them.
constexpr float kWidthBesideLabel = static_cast<float>(frame::kWidth);
constexpr float kButtonsBelowLabel = 100;
constexpr float kButtonsFromCentre = 20;
constexpr float kMarginBelowButtons = 125;
constexpr float kHeightBelowButtons = static_cast<float>(frame::kHeight) + kMarginBelowButtons;
static_assert(kWidthBesideLabel == 90 && kHeightBelowButtons == 500);

}  // namespace

void WindowLayout::Shown(const std::string& text) {
  text_ = text;
  textSinceLayout_ = true;
}

void WindowLayout::Resize(Form& f, bool twoButtons) {
  if (!f.Exists()) return;
  laidOut_ = text_;
  textSinceLayout_ = false;
  belowCentre_ = false;
  const Bounds label = f.ControlBounds(Control::lblMessage);
  f.SetWindowWidth(label.width + kWidthBesideLabel);
  f.MoveControl(Control::lblMessage, 0, label.top);

  // W is what the window really took, not what was asked for.
  const float W = f.WindowBounds().width;
  const float buttonsTop = label.height + label.top + kButtonsBelowLabel;
  const Bounds ok = f.ControlBounds(Control::cmdOK);
  const Bounds cancel = f.ControlBounds(Control::cmdCancel);
  if (twoButtons) {
    f.MoveControl(Control::cmdOK, W / 2 + kButtonsFromCentre, buttonsTop);
    f.SetVisible(Control::cmdCancel, true);
    f.MoveControl(Control::cmdCancel, W / 2 - (cancel.width + kButtonsFromCentre),
                  f.ControlBounds(Control::cmdOK).top);
  } else {
    f.MoveControl(Control::cmdOK, W / 2 - ok.width / 2, buttonsTop);
    f.MoveControl(Control::cmdCancel, W / 2 - cancel.width / 2, buttonsTop);
  }
  const Bounds placed = f.ControlBounds(Control::cmdOK);
  f.SetWindowHeight(placed.height + placed.top + kHeightBelowButtons);
  CenterForm(f);
}

void WindowLayout::CenterForm(Form& f) {
  const Bounds screen = f.Screen();
  const Bounds window = f.WindowBounds();
  f.MoveWindow(screen.left + screen.width / 2 - window.width / 2,
               screen.top + screen.height / 2 - window.height / 2);
}

void WindowLayout::MoveBelowCentre(Form& f) {
  const Bounds window = f.WindowBounds();
  f.MoveWindow(window.left, window.top + window.height);
  belowCentre_ = true;
}

void WindowLayout::Rescaled(Form& f, bool twoButtons) {
  if (!f.Exists()) return;
  const bool below = belowCentre_;
  // A text shown without a new layout (the progress text) keeps the layout made for the text
  // before it, measured now in the new scale.
  const bool swapped = textSinceLayout_;
  const std::string laidOut = laidOut_;
  const std::string shown = text_;
  if (swapped) {
    f.SetLabelCaption(laidOut);
    text_ = laidOut;
  }
  Resize(f, twoButtons);
  if (swapped) {
    f.SetLabelCaption(shown);
    Shown(shown);
  }
  if (below) MoveBelowCentre(f);
}

}  // namespace tarnwell
