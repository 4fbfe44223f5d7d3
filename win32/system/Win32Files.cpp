#include "win32/system/Win32Files.h"

#include "services/modFiles.h"
#include "services/modGlobal.h"
#include "services/modMove.h"
#include "services/modVersion.h"

namespace tarnwell::win32 {

bool Win32Files::FileExists(const std::string& path) { return modGlobal::FileExists(path); }

VersionInfo Win32Files::GetVersionInfo(const std::string& path) {
  return modVersion::GetVersionInfo(report_, path);
}

void Win32Files::ShellDeleteFile(const std::string& path, NativeWindow owner) {
  modMove::ShellDeleteFile(report_, owner, path, quiet_);
}

std::optional<std::uint64_t> Win32Files::FileSize(const std::string& path) {
  return modFiles::FileSize(path);
}

bool Win32Files::CopyNewFile(const std::string& source, const std::string& destination) {
  return modFiles::CopyNewFile(report_, source, destination);
}

bool Win32Files::RenameFile(const std::string& source, const std::string& destination) {
  return modFiles::RenameFile(report_, source, destination);
}

bool Win32Files::RemoveFile(const std::string& path) { return modFiles::RemoveFile(report_, path); }

bool Win32Files::CreateMarker(const std::string& path) {
  return modFiles::CreateMarker(report_, path);
}

}  // namespace tarnwell::win32
