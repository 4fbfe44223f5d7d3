#pragma once
// Paths of the shell's special folders.

#include <string>

#include "app/NativeHandles.h"

namespace tarnwell::modSystem32 {

inline constexpr int CSIDL_SYSTEMX86_ID = 41;
inline constexpr int CSIDL_PROGRAM_FILES_ID = 38;

// The folder's path exactly as the platform writes it, or "" when it cannot be found.
std::string GetSpecialFolder(NativeWindow owner, int folderId);
std::string GetSystemFolder(NativeWindow owner);  // id 41, the system folder for 32-bit programs
std::string GetProgramFilesFolder(NativeWindow owner);  // id 38

}  // namespace tarnwell::modSystem32
