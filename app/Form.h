#pragma once
// What the controller needs of its window. Geometry is in twips throughout.

#include <cstdint>
#include <string>

#include "app/NativeHandles.h"

namespace tarnwell {

enum class Control { lblMessage, cmdOK, cmdCancel };

struct Bounds {
  float left = 0;
  float top = 0;
  float width = 0;
  float height = 0;
};

// Why the window is about to close, as handed to Form_QueryUnload.
enum UnloadMode : int { vbFormControlMenu = 0, vbFormCode = 1 };

// The handlers the window calls; the controller implements them.
class FormEvents {
 public:
  virtual void cmdOK_Click() = 0;
  virtual void cmdCancel_Click() = 0;
  // Leaving `cancel` nonzero would keep the window open.
  virtual void Form_QueryUnload(int& cancel, int unloadMode) = 0;
  // The window now draws at another scale, having moved to a monitor of another DPI: its fonts
  // and its twips are the new ones, and the layout must be made again for them.
  virtual void Form_DpiChanged() = 0;

 protected:
  ~FormEvents() = default;
};

class Form {
 public:
  virtual ~Form() = default;

  // False once the window has been unloaded, for instance inside a yield.
  virtual bool Exists() const = 0;
  virtual NativeWindow Handle() const = 0;

  // The label sizes itself to its text: the width of the longest line, the height of all lines.
  virtual void SetLabelCaption(const std::string& utf8) = 0;
  virtual void SetLabelForeColor(std::uint32_t bgr) = 0;

  // Left and top are client coordinates of the window.
  virtual Bounds ControlBounds(Control control) const = 0;
  virtual void MoveControl(Control control, float left, float top) = 0;
  virtual void SetVisible(Control control, bool visible) = 0;

  // The window's outer geometry: screen position of the outer top-left corner, outer size.
  virtual Bounds WindowBounds() const = 0;
  // Left and top together, in one step: nothing can change the scale between the two.
  virtual void MoveWindow(float left, float top) = 0;
  virtual void SetWindowWidth(float width) = 0;
  virtual void SetWindowHeight(float height) = 0;
  // The work area of the monitor the window is on: its screen position and size.
  virtual Bounds Screen() const = 0;

  virtual void Show() = 0;
  virtual void Repaint() = 0;
  // Keeps the window above all windows that are not topmost (SetTopMost), or releases it.
  virtual void SetTopMost(bool topmost) = 0;
  // Runs Form_QueryUnload, then destroys the window unless the handler kept it open.
  virtual void Unload() = 0;
};

}  // namespace tarnwell
