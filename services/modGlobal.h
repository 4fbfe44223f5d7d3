#pragma once
// Small services over the window manager and runtime errors, and the one test of a path.

#include <cstdint>
#include <string>

#include "app/NativeHandles.h"
#include "app/Report.h"
#include "app/RuntimeError.h"

namespace tarnwell::modGlobal {

// The application title that message boxes without a title of their own show.
inline constexpr char kAppTitle[] = "TarnwellUpdate";

// True when a directory search for `path` finds anything: a file, a folder, or a match of
// the wildcards * and ? in its last component. False for "" and for a path ending in "\".
bool FileExists(const std::string& path);

// Puts `window` into the topmost band (or takes it out) and shows it; position and size stay.
void SetTopMost(NativeWindow window, bool topmost);

// True when a top-level window whose whole title is `caption` exists. A failed search is
// reported through ShowError and answers false.
bool IsTaskRunning(Report& report, const std::string& caption);

// Asks the first top-level window titled `caption` to close: posts WM_CLOSE unless the
// window is disabled, then yields once. -1 when the window was found and valid, else 0.
// Never waits for the window to go.
std::int16_t EndTask(Report& report, const std::string& caption);

// Describes `error` in a box with the critical icon, titled subject + " " + procedure.
void ShowError(Report& report, const RuntimeError& error, const std::string& subject,
               const std::string& procedure);

// A box with `text`, an OK button, no icon, titled "TarnwellUpdate".
void ShowMessage(Report& report, const std::string& text);

// The modal box itself, owned by `owner` (0: none), as a Report shows one.
void ShowBox(NativeWindow owner, const std::string& title, const std::string& text, BoxIcon icon);

}  // namespace tarnwell::modGlobal
