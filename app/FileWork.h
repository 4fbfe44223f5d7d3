#pragma once
// How the file work of an install or an update ended.

namespace tarnwell {

enum class FileWork {
  Installed,      // the new copy is in place; see the registration
  NotCopied,      // the new copy could not be put into the system folder
  Changed,        // the copy made is not what was checked
  InTheWay,       // a helper file's name is taken by a folder or a read-only file
  NoBackup,       // no copy of the installed library could be made
  OldInUse,       // the installed copy could not be deleted, so it stays
  Restored,       // the new copy could not be put in place; the old one is back
  NotRestored,    // neither could; the journal makes the next start try again
  NotRegistered,  // the new copy would not register; the old one is back and registered
  Refused,        // the staged copy is not signed by this program's publisher; nothing touched
};

}  // namespace tarnwell
