#pragma once
// The window's layout around its status text: the window as wide as the label, the buttons a
// little below it (side by side about the centre while an update is offered), the window as
// high as that needs, centred on the work area of its monitor. It keeps what it last laid out,
// so that a move to a monitor of another scale can lay the same state out again.

#include <string>

#include "app/Form.h"

namespace tarnwell {

class WindowLayout {
 public:
  // The label now shows `text`, which the next Resize lays the window out for.
  void Shown(const std::string& text);
  const std::string& Text() const { return text_; }

  // Lays the window out for the text shown and the one- or two-button state.
  void Resize(Form& form, bool twoButtons);
  void CenterForm(Form& form);
  // Moves the centred window down by its own height, out of the way of the IDE's close prompt.
  void MoveBelowCentre(Form& form);
  // The window now draws at another scale: the layout is made again as it would have been on a
  // start there, for the text of the last Resize and as far below the centre as it was.
  void Rescaled(Form& form, bool twoButtons);

 private:
  std::string text_;
  // The text the last Resize laid the window out for, and whether another has been shown since,
  // which the window shows without a new layout (the progress text).
  std::string laidOut_;
  bool textSinceLayout_ = false;
  bool belowCentre_ = false;
};

}  // namespace tarnwell
