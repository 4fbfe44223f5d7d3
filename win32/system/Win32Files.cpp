#include "win32/system/Win32Files.h"

#include "services/modFiles.h"
#include "services/modGlobal.h"
#include "services/modMove.h"
#include "services/modVersion.h"
#include "win32/system/Win32HeldFile.h"

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

PathKind Win32Files::KindOf(const std::string& path) { return modFiles::KindOf(path); }

std::unique_ptr<HeldFile> Win32Files::Held(platform::FileHandle file) {
  if (!file) return nullptr;
  return std::make_unique<Win32HeldFile>(report_, std::move(file), quiet_);
}

Holding Win32Files::Hold(const std::string& path) {
  modFiles::Opened opened = modFiles::OpenHeld(report_, path);
  return {opened.state, Held(std::move(opened.file))};
}

std::unique_ptr<HeldFile> Win32Files::CopyNew(HeldFile& source, const std::string& destination) {
  return Held(modFiles::CopyNew(report_, reinterpret_cast<HANDLE>(source.Native()), destination));
}

std::unique_ptr<HeldFile> Win32Files::CopyNew(const std::string& source,
                                              const std::string& destination) {
  return Held(modFiles::CopyNew(report_, source, destination));
}

std::unique_ptr<HeldFile> Win32Files::CreateMarker(const std::string& path) {
  return Held(modFiles::CreateMarker(report_, path));
}

bool Win32Files::RenameFile(const std::string& source, const std::string& destination) {
  return modFiles::RenameFile(report_, source, destination);
}

bool Win32Files::RemoveFile(const std::string& path) { return modFiles::RemoveFile(report_, path); }

}  // namespace tarnwell::win32
