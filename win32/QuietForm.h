#pragma once
// The form of an unattended run: the controller works through it as through the window, but
// nothing is ever put on the screen. It keeps the geometry it is told, so that the controller
// reads back what it wrote.

#include <array>

#include "app/Form.h"

namespace tarnwell::win32 {

class QuietForm final : public Form {
 public:
  bool Exists() const override { return exists_; }
  NativeWindow Handle() const override { return 0; }
  void SetLabelCaption(const std::string&) override {}
  void SetLabelForeColor(std::uint32_t) override {}
  Bounds ControlBounds(Control control) const override { return controls_[Index(control)]; }
  void MoveControl(Control control, float left, float top) override {
    controls_[Index(control)].left = left;
    controls_[Index(control)].top = top;
  }
  void SetVisible(Control, bool) override {}
  Bounds WindowBounds() const override { return window_; }
  void MoveWindow(float left, float top) override {
    window_.left = left;
    window_.top = top;
  }
  void SetWindowWidth(float width) override { window_.width = width; }
  void SetWindowHeight(float height) override { window_.height = height; }
  Bounds Screen() const override { return {}; }
  void Show() override {}
  void Repaint() override {}
  void SetTopMost(bool) override {}
  void Unload() override { exists_ = false; }

 private:
  static std::size_t Index(Control control) { return static_cast<std::size_t>(control); }

  bool exists_ = true;
  Bounds window_;
  std::array<Bounds, 3> controls_{};
};

}  // namespace tarnwell::win32
