#pragma once
// The one channel through which the program tells of what it does and what failed: a line for
// the run's log, a message box for the person at the screen, a trace for the developer. One
// sink takes all three, so that each knows of the others: a box is written to the log as well,
// and an unattended run shows none.

#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwell {

enum class BoxIcon { None, Error };

class Report {
 public:
  // One line for the run's log; dropped when the run keeps none.
  virtual void Note(const std::string& line) = 0;
  // A modal box with an OK button; returns once it is closed, or at once where none is shown.
  virtual void Box(const std::string& title, const std::string& text, BoxIcon icon) = 0;
  // A failed platform call the program survives without telling the user: its name and the
  // error code (a system error, or an HRESULT when `hresult`).
  virtual void Trace(std::string_view call, std::uint32_t code, bool hresult = false) = 0;

 protected:
  ~Report() = default;
};

}  // namespace tarnwell
