#pragma once
// One-file operations through the shell. Neither reports anything: callers test FileExists
// afterwards. A missing source is ignored without calling the shell.

#include <string>

namespace tarnwell::modMove {

// Moves `source` to `destination`, replacing an existing file without asking.
void ShellMoveFile(const std::string& source, const std::string& destination);
// Deletes `path` to the recycle bin where the platform keeps one, without asking.
void ShellDeleteFile(const std::string& path);

}  // namespace tarnwell::modMove
