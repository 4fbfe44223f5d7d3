#include "win32/system/Win32Folders.h"

#include "app/modDllUp.h"
#include "platform/KnownPaths.h"
#include "platform/WideText.h"
#include "services/modSystem32.h"

namespace tarnwell::win32 {

std::string Win32Folders::ProgramFolder() {
  return modDllUp::FolderOf(platform::Narrow(platform::ExecutablePath()));
}

std::string Win32Folders::SystemDirectory() {
  return platform::Narrow(platform::SystemDirectory());
}

std::string Win32Folders::GetSystemFolder(NativeWindow owner) {
  return modSystem32::GetSystemFolder(report_, owner);
}

std::string Win32Folders::GetProgramFilesFolder(NativeWindow owner) {
  return modSystem32::GetProgramFilesFolder(report_, owner);
}

}  // namespace tarnwell::win32
