#include "win32/system/Win32HeldFile.h"

#include "app/modDllUp.h"
#include "platform/WideText.h"
#include "services/modFiles.h"
#include "services/modGlobal.h"
#include "services/modMove.h"
#include "services/modVersion.h"

namespace tarnwell::win32 {

std::optional<std::uint64_t> Win32HeldFile::Size() { return modFiles::FileSize(file_.get()); }

VersionInfo Win32HeldFile::Version() { return modVersion::GetVersionInfo(report_, file_.get()); }

bool Win32HeldFile::RenameTo(const std::string& path) {
  if (!file_ || !modFiles::RenameHeld(report_, file_.get(), path)) return false;
  // Held for this program alone it could not be loaded or registered: it is opened again,
  // shared with those who read it and let it be removed, before anyone else can take it.
  file_.reset();
  file_ = modFiles::Reopen(report_, path);
  return true;
}

bool Win32HeldFile::Remove() {
  const bool removed = file_ && modFiles::RemoveHeld(report_, file_.get());
  file_.reset();
  return removed;
}

bool Win32HeldFile::Recycle(NativeWindow owner) {
  if (!file_) return false;
  // The shell deletes by path: it is given the file's final path, which holds no link, and the
  // folder that path names is held meanwhile, so that it cannot be renamed or removed (and so
  // re-pointed) between the program letting go of the file and the shell taking it.
  const std::string final = modFiles::FinalPath(file_.get());
  if (final.empty()) return false;
  const std::wstring folder = platform::Widen(modDllUp::FolderOf(final));
  const platform::FileHandle pinned(
      ::CreateFileW(folder.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!pinned) report_.Trace("CreateFileW(folder of the shipped copy)", ::GetLastError());
  file_.reset();
  modMove::ShellDeleteFile(report_, owner, final, quiet_);
  return !modGlobal::FileExists(final);
}

}  // namespace tarnwell::win32
