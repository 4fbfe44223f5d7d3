#pragma once
// The run's one report sink: lines go to the log file (when there is one), boxes to the screen
// (unless the run is quiet) and to the log as well, traces to the debugger.

#include <string>

#include "app/Report.h"
#include "win32/FileLog.h"

namespace tarnwell::win32 {

class RunReport final : public Report {
 public:
  // `showBoxes` is false for an unattended run, which must never wait for a person.
  explicit RunReport(bool showBoxes) : showBoxes_(showBoxes) {}

  // Opens the log (see FileLog::Open).
  LogOpening OpenLog(const std::string& path) { return log_.Open(path); }

  // Boxes are owned by the program's window from now on (nullptr: by none again). The window is
  // topmost: a box without it as owner could open behind it, and the window that is active
  // when the box opens may be another program's, or none.
  void OwnBoxesBy(HWND window) { owner_ = window; }

  void Note(const std::string& line) override { log_.Write(line); }
  void Box(const std::string& title, const std::string& text, BoxIcon icon) override;
  void Trace(std::string_view call, std::uint32_t code, bool hresult = false) override;

 private:
  bool showBoxes_;
  HWND owner_ = nullptr;
  FileLog log_;
};

}  // namespace tarnwell::win32
