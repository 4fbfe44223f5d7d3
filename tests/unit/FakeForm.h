#pragma once
// A window in memory, with the frame the layout reckons with (45 twips at the sides and bottom,
// 330 above the client area) and a label that measures 90 twips a character and 195 a line.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/Form.h"
#include "app/Frame.h"

namespace tarnwell::testing {

class FakeForm final : public Form {
 public:
  float charWidth = 90;  // of every character of the label
  static constexpr float kLineHeight = 195;
  static constexpr float kFrameWidth = static_cast<float>(frame::kWidth);
  static constexpr float kFrameHeight = static_cast<float>(frame::kHeight);

  explicit FakeForm(FormEvents& events);

  // Form
  bool Exists() const override { return exists_; }
  NativeWindow Handle() const override { return 0x1234; }
  void SetLabelCaption(const std::string& text) override;
  void SetLabelForeColor(std::uint32_t bgr) override;
  Bounds ControlBounds(Control control) const override;
  void MoveControl(Control control, float left, float top) override;
  void SetVisible(Control control, bool visible) override;
  Bounds WindowBounds() const override { return window_; }
  void MoveWindow(float left, float top) override;
  void SetWindowWidth(float width) override;
  void SetWindowHeight(float height) override;
  Bounds Screen() const override { return screen; }
  void Show() override;
  void Repaint() override;
  void SetTopMost(bool topmost) override;
  void Unload() override;

  // The user closes the window with its close box.
  void CloseBox();
  // The user presses a button (only a visible one can be pressed).
  void Press(Control button);

  // What a monitor of another scale looks like in twips: the text measures a little
  // differently, so does the title that sets the least width, and the work area is another.
  struct Monitor {
    Bounds workArea;
    float charWidth = 90;
    float minimumWidth = 0;
  };
  // Starts the window on `monitor`.
  void StartOn(const Monitor& monitor);
  // The user drags the window onto `monitor`: it lands at `left`, `top` with the fonts and
  // title of the new scale, and tells its handler.
  void MoveTo(const Monitor& monitor, float left, float top);

  // What the window shows.
  std::string caption;
  std::uint32_t foreColor = 0xC00000;
  bool shown = false;
  int repaints = 0;
  bool Visible(Control control) const { return visible_.at(control); }

  // Settings of the simulated window system.
  Bounds screen{0, 0, 19200, 15360};
  float minimumWidth = 0;  // the window system refuses narrower windows

  // Every SetTopMost, in order.
  std::vector<bool> topMost;

  // Writes to the window after it was unloaded: the controller must make none.
  std::vector<std::string> writesAfterUnload;
  std::vector<int> unloadModes;

 private:
  void Write(const char* what);
  // Measures the label for its caption at the current character width.
  void FitLabel();

  FormEvents& events_;
  bool exists_ = true;
  Bounds window_;
  std::map<Control, Bounds> controls_;
  std::map<Control, bool> visible_;
};

}  // namespace tarnwell::testing
