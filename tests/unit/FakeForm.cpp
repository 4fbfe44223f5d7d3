#include "tests/unit/FakeForm.h"

#include <algorithm>

namespace tarnwell::testing {

FakeForm::FakeForm(FormEvents& events) : events_(events) {
  window_ = {1200, 900, 3105 + kFrameWidth, 2295 + kFrameHeight};
  controls_[Control::lblMessage] = {2055, 120, 105, 195};
  controls_[Control::cmdOK] = {1080, 1680, 855, 375};
  controls_[Control::cmdCancel] = {240, 1680, 855, 375};
  visible_[Control::lblMessage] = true;
  visible_[Control::cmdOK] = true;
  visible_[Control::cmdCancel] = false;
}

void FakeForm::Write(const char* what) {
  if (!exists_) writesAfterUnload.emplace_back(what);
}

void FakeForm::SetLabelCaption(const std::string& text) {
  Write("caption");
  if (!exists_) return;
  caption = text;
  FitLabel();
}

void FakeForm::FitLabel() {
  const std::string& text = caption;
  std::size_t widest = 0;
  std::size_t lines = 0;
  std::size_t start = 0;
  for (;;) {
    const auto end = text.find("\r\n", start);
    const auto length = (end == std::string::npos ? text.size() : end) - start;
    widest = std::max(widest, length);
    ++lines;
    if (end == std::string::npos) break;
    start = end + 2;
  }
  auto& label = controls_[Control::lblMessage];
  label.width = static_cast<float>(widest) * charWidth;
  label.height = static_cast<float>(lines) * kLineHeight;
}

void FakeForm::SetLabelForeColor(std::uint32_t bgr) {
  Write("colour");
  if (exists_) foreColor = bgr;
}

Bounds FakeForm::ControlBounds(Control control) const {
  return exists_ ? controls_.at(control) : Bounds{};
}

void FakeForm::MoveControl(Control control, float left, float top) {
  Write("move control");
  if (!exists_) return;
  controls_[control].left = left;
  controls_[control].top = top;
}

void FakeForm::SetVisible(Control control, bool visible) {
  Write("visibility");
  if (exists_) visible_[control] = visible;
}

void FakeForm::MoveWindow(float left, float top) {
  Write("window position");
  if (!exists_) return;
  window_.left = left;
  window_.top = top;
}

void FakeForm::SetWindowWidth(float width) {
  Write("window width");
  if (exists_) window_.width = std::max(width, minimumWidth);
}

void FakeForm::SetWindowHeight(float height) {
  Write("window height");
  if (exists_) window_.height = height;
}

void FakeForm::Show() {
  Write("show");
  if (exists_) shown = true;
}

void FakeForm::Repaint() {
  Write("repaint");
  if (exists_) ++repaints;
}

void FakeForm::Unload() {
  if (!exists_) return;
  int cancel = 0;
  unloadModes.push_back(vbFormCode);
  events_.Form_QueryUnload(cancel, vbFormCode);
  if (cancel == 0) exists_ = false;
}

void FakeForm::CloseBox() {
  if (!exists_) return;
  int cancel = 0;
  unloadModes.push_back(vbFormControlMenu);
  events_.Form_QueryUnload(cancel, vbFormControlMenu);
  if (cancel == 0) exists_ = false;
}

void FakeForm::Press(Control button) {
  if (!exists_ || !visible_.at(button)) return;
  if (button == Control::cmdOK) events_.cmdOK_Click();
  if (button == Control::cmdCancel) events_.cmdCancel_Click();
}

void FakeForm::StartOn(const Monitor& monitor) {
  screen = monitor.workArea;
  charWidth = monitor.charWidth;
  minimumWidth = monitor.minimumWidth;
}

void FakeForm::MoveTo(const Monitor& monitor, float left, float top) {
  if (!exists_) return;
  StartOn(monitor);
  window_.left = left;
  window_.top = top;
  FitLabel();
  events_.Form_DpiChanged();
}

void FakeForm::SetTopMost(bool topmost) {
  Write("topmost");
  topMost.push_back(topmost);
}

}  // namespace tarnwell::testing
