#pragma once
// Paths of the shell's special folders.

#include <string>

#include "app/NativeHandles.h"
#include "app/Report.h"

namespace tarnwell::modSystem32 {

inline constexpr int CSIDL_SYSTEMX86_ID = 41;
inline constexpr int CSIDL_PROGRAM_FILES_ID = 38;

// The folder's path exactly as the platform writes it, or "" when it cannot be found.
std::string GetSpecialFolder(Report& report, NativeWindow owner, int folderId);
// Id 41, the system folder for 32-bit programs.
std::string GetSystemFolder(Report& report, NativeWindow owner);
// Id 38.
std::string GetProgramFilesFolder(Report& report, NativeWindow owner);

}  // namespace tarnwell::modSystem32
