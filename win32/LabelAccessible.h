#pragma once
// What screen readers learn of the status label. The label is drawn by the program, so the
// standard accessible object knows it only as a window with a text, and hands that text on as
// if it were a control's caption: the first "&" taken for an access key and dropped (a path may
// hold one), the line breaks kept. The label answers for itself instead: static text, named by
// its whole text on one line.

#include <windows.h>

namespace tarnwell::win32 {

// Makes `label` answer accessibility requests with its own object for as long as it lives.
void ExposeLabelToScreenReaders(HWND label);

}  // namespace tarnwell::win32
