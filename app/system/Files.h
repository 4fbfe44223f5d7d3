#pragma once
// Files as the program sees them: whether a path is there, what version a library carries, and
// the file work in the system folder.
//
// Two kinds of file are not the program's to trust by their paths: the shipped copy, which lies
// where the user (and every process of the user's) can write and whose folder may be reached
// through a link the user can re-point; and, while the program works, the helper files it puts
// into the system folder, which anyone may try to open. Both are held by handle: the shipped
// copy from the moment it is first looked at, the helper files from the moment they are made.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/NativeHandles.h"
#include "app/VersionInfo.h"

namespace tarnwell {

// A file the program opened once and keeps open. While it is held nobody else can write,
// rename or delete it, and what the program reads, copies or removes through it is this file,
// whatever becomes of its path meanwhile.
class HeldFile {
 public:
  virtual ~HeldFile() = default;

  // The size in bytes; nothing when it cannot be read.
  virtual std::optional<std::uint64_t> Size() = 0;
  // Its version record, read from its own bytes; on failure the reader tells the user itself
  // and answers an empty record, as GetVersionInfo does.
  virtual VersionInfo Version() = 0;
  // The platform's handle, for a check that reads the file by handle.
  virtual NativeFile Native() const = 0;
  // Renames it within its volume to `path`, replacing what is there. It stays held afterwards,
  // shared with the registration tool and the loader, who read it, and with nobody who would
  // keep it from being replaced in turn.
  virtual bool RenameTo(const std::string& path) = 0;
  // Deletes it for good; it is no longer held.
  virtual bool Remove() = 0;
  // Deletes it to the recycle bin, through the shell, with the shell's dialogs owned by
  // `owner`; it is no longer held. False when it is still there.
  virtual bool Recycle(NativeWindow owner) = 0;
};

// What a path to be held led to.
struct Holding {
  enum class State {
    Held,      // a plain file, now held
    Missing,   // nothing there
    NotPlain,  // a link, a folder, a device, or a file with more than one name (hard links)
    Refused,   // there, but it cannot be opened for reading and holding
  } state = State::Missing;
  std::unique_ptr<HeldFile> file;
};

// What lies at a path the program wants to use for a file of its own.
enum class PathKind { Nothing, File, ReadOnlyFile, Folder };

class Files {
 public:
  virtual ~Files() = default;

  // True when a directory search for `path` finds anything (modGlobal).
  virtual bool FileExists(const std::string& path) = 0;
  virtual PathKind KindOf(const std::string& path) = 0;
  // The file's version record; on failure the reader tells the user itself and answers an
  // empty record (modVersion).
  virtual VersionInfo GetVersionInfo(const std::string& path) = 0;
  // The shell's delete to the recycle bin; its dialogs are owned by `owner` (modMove).
  virtual void ShellDeleteFile(const std::string& path, NativeWindow owner) = 0;
  // The size in bytes; nothing when it cannot be read.
  virtual std::optional<std::uint64_t> FileSize(const std::string& path) = 0;

  // Opens the plain file at `path` and holds it (see HeldFile); a link in the path's last part,
  // or a second name of the file, is refused rather than followed.
  virtual Holding Hold(const std::string& path) = 0;
  // Copies `source` into a new file `destination` (never an existing one), created afresh so
  // that it takes the protection of its folder, for this program alone: held, no other process
  // can open it. On disk before this returns. Nothing, and nothing of it left, on any failure.
  virtual std::unique_ptr<HeldFile> CopyNew(HeldFile& source, const std::string& destination) = 0;
  // The same from a file of the system folder (the installed copy, for its backup).
  virtual std::unique_ptr<HeldFile> CopyNew(const std::string& source,
                                            const std::string& destination) = 0;
  // Creates an empty file that marks work in progress, held as CopyNew's are, on the disk.
  virtual std::unique_ptr<HeldFile> CreateMarker(const std::string& path) = 0;
  // Leftovers of a run that ended without settling them, by path: renames within one volume,
  // replacing `destination`; deletes for good (true when the file is gone).
  virtual bool RenameFile(const std::string& source, const std::string& destination) = 0;
  virtual bool RemoveFile(const std::string& path) = 0;
};

}  // namespace tarnwell
