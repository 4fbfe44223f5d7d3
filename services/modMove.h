#pragma once
// One-file operations through the shell. Neither reports anything: callers test FileExists
// afterwards. A missing source is ignored without calling the shell. The shell's own error
// dialogs (file in use, disk full) are owned by `owner` (0 for none), so that they show above
// the program's topmost window instead of hidden behind it.

#include <string>

#include "app/NativeHandles.h"
#include "app/Report.h"

namespace tarnwell::modMove {

// Moves `source` to `destination`, replacing an existing file without asking.
void ShellMoveFile(Report& report, NativeWindow owner, const std::string& source,
                   const std::string& destination);
// Deletes `path` to the recycle bin where the platform keeps one, without asking. `silent`
// shows nothing at all, not even the shell's progress or error windows (an unattended run).
void ShellDeleteFile(Report& report, NativeWindow owner, const std::string& path,
                     bool silent = false);

}  // namespace tarnwell::modMove
