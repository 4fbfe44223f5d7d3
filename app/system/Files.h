#pragma once
// Files as the program sees them: whether a path is there, what version a library carries, and
// the file work in the system folder, where every file is created by this program.

#include <cstdint>
#include <optional>
#include <string>

#include "app/NativeHandles.h"
#include "app/VersionInfo.h"

namespace tarnwell {

class Files {
 public:
  virtual ~Files() = default;

  // True when a directory search for `path` finds anything (modGlobal).
  virtual bool FileExists(const std::string& path) = 0;
  // The file's version record; on failure the reader tells the user itself and answers an
  // empty record (modVersion).
  virtual VersionInfo GetVersionInfo(const std::string& path) = 0;
  // The shell's delete to the recycle bin; its dialogs are owned by `owner` (modMove).
  virtual void ShellDeleteFile(const std::string& path, NativeWindow owner) = 0;

  // The size in bytes; nothing when it cannot be read.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;
  // Copies `source` into a new file `destination` (never an existing one), created afresh so
  // that it takes the protection of its folder, and written through to the disk. False on any
  // failure, and then no part of the copy is left.
  virtual bool CopyNewFile(const std::string& source, const std::string& destination) = 0;
  // Renames within one volume, replacing `destination`; false when nothing was renamed.
  virtual bool RenameFile(const std::string& source, const std::string& destination) = 0;
  // Deletes a file for good; true when it is gone.
  virtual bool RemoveFile(const std::string& path) = 0;
  // Creates an empty file that marks work in progress, written through to the disk.
  virtual bool CreateMarker(const std::string& path) = 0;
};

}  // namespace tarnwell
