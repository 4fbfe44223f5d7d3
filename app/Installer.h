#pragma once
// The file work of an install or an update: stage, verify, swap, with a journal beside the
// library so that work cut short by a crash or a power cut is finished or undone at the next
// start.
//
// The helper files, beside the installed copy in the system folder:
//
//   Quandrel.dll.update-new      the new copy, copied in from the held shipped copy
//   Quandrel.dll.update-old      a copy of the installed library, made before it is touched
//   Quandrel.dll.update-journal  the journal: the staged copy has been verified, and the
//                                installed library may be unregistered or missing
//
// Each is created for this program alone and held until it is renamed into place or removed:
// no other process can open one, so nobody can keep it from being renamed or removed while the
// work runs. The shipped copy is read and removed only through the handle the program took at
// start (HeldFile), never by its path again.
//
// The order of an update: copy in the new copy, verify it (its size and version, then its
// publisher, through the `Vet` given, while nobody else can open it), write the journal, copy the
// old one aside, unregister it, delete it to the recycle bin, rename the new copy into place,
// register it; then, once it is registered, remove the shipped copy, the backup, and the journal
// last. Should the new copy not register, the backup is renamed back into place and registered, and
// the shipped copy stays. A fresh install skips the steps that concern an old copy.
//
// What a start finds, and what it does (`Recover`):
//
//   no journal              nothing was unregistered or replaced yet: a staged copy or a backup
//                           is a leftover and is removed.
//   journal and library     the library in place (old or new) may be unregistered: it is
//                           registered (should it not register, the backup takes its place and
//                           is registered), then the helper files are removed.
//   journal, no library     the old copy is gone and the new one was not yet renamed into place:
//                           the verified new copy is renamed into place (failing that, the
//                           backup), registered, and the helper files are removed.
//
// The journal is removed last, so that every kill point ends in one of these three states.

#include <functional>
#include <memory>
#include <string>

#include "app/FileWork.h"
#include "app/RegistrationResult.h"
#include "app/Report.h"
#include "app/modDllUp.h"
#include "app/system/Files.h"

namespace tarnwell {

class Installer {
 public:
  using Outcome = FileWork;
  struct Result {
    Outcome outcome;
    RegistrationResult registration;  // of whichever copy ends in place, when one was run
    std::string inTheWay;             // with InTheWay: the path of what is in the way
  };
  // What settling an interrupted install or update found and did.
  struct Recovery {
    bool found = false;   // anything was left
    bool failed = false;  // a journal was left, and no copy ended in place and registered
    RegistrationResult registration;
  };
  // Runs the registration tool with the given switches on the installed copy and waits.
  using RunTool = std::function<RegistrationResult(const char* switches)>;
  // Whether the staged copy, held where it will be registered, may be installed at all.
  using Vet = std::function<bool(HeldFile& staged, const std::string& path)>;

  // `shipped` is the held shipped copy (null where there is none); every step is written to
  // `report`'s log.
  Installer(Files& files, modDllUp::SharedState& shared, HeldFile* shipped, RunTool runTool,
            Vet vet, Report& report);

  // Puts the shipped copy in place where none is installed.
  Result Install();
  // Replaces the older installed copy with the shipped one.
  Result Replace();
  // Finishes or undoes work a previous run left unfinished.
  Recovery Recover();
  // True when Recover has a journal to settle, which takes a registration.
  bool Interrupted() { return files_.FileExists(journalPath_); }

  const std::string& StagedPath() const { return stagedPath_; }
  const std::string& BackupPath() const { return backupPath_; }
  const std::string& JournalPath() const { return journalPath_; }

 private:
  // The path of a helper file whose name is taken by a folder or a read-only file; "" if none.
  std::string InTheWay();
  // Copies the shipped copy in, checks it against what was compared and shown, and writes the
  // journal. Anything but Installed means that nothing is left of the attempt.
  Outcome Stage();
  // Once the new copy is in place: registers it, and when it registered, removes the shipped
  // copy.
  Result Finish();
  // Puts the backup back in place of a new copy that would not register, and registers it.
  Result PutTheOldCopyBack(const RegistrationResult& failed);
  // Registers what is in place; the helper files go once a registration has run to its end.
  RegistrationResult RegisterAndSettle();
  // Removes whichever helper files exist, held or left over; the journal last.
  void RemoveHelperFiles();
  void RemoveHelper(std::unique_ptr<HeldFile>& held, const std::string& path);
  // The file operations, each written down with its result.
  bool Rename(const std::string& source, const std::string& destination);
  // Renames a held helper file into the library's place, where it then stays held.
  bool PutInPlace(std::unique_ptr<HeldFile>& helper, const std::string& from);

  Files& files_;
  modDllUp::SharedState& shared_;
  HeldFile* shipped_;
  RunTool runTool_;
  Vet vet_;
  Report& report_;
  std::string stagedPath_;
  std::string backupPath_;
  std::string journalPath_;
  std::unique_ptr<HeldFile> staged_;
  std::unique_ptr<HeldFile> backup_;
  std::unique_ptr<HeldFile> journal_;
  // The copy renamed into the library's place, held until the work is done.
  std::unique_ptr<HeldFile> inPlace_;
};

}  // namespace tarnwell
