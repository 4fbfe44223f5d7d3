#pragma once
// The file work of an install or an update: stage, verify, swap, with a journal beside the
// library so that work cut short by a crash or a power cut is finished or undone at the next
// start.
//
// The helper files, beside the installed copy in the system folder (only this program writes
// there, so what it finds there is its own):
//
//   Quandrel.dll.update-new      the new copy, copied in from beside the program
//   Quandrel.dll.update-old      a copy of the installed library, made before it is touched
//   Quandrel.dll.update-journal  the journal: the staged copy has been verified, and the
//                                installed library may be unregistered or missing
//
// The order of an update: copy in the new copy, verify it, write the journal, copy the old one
// aside, unregister it, delete it to the recycle bin, rename the new copy into place, remove the
// shipped copy, register the new one, remove the backup, remove the journal. A fresh install
// skips the steps that concern an old copy.
//
// What a start finds, and what it does (`Recover`):
//
//   no journal              nothing was unregistered or replaced yet: a staged copy or a backup
//                           is a leftover and is removed.
//   journal and library     the library in place (old or new) may be unregistered: it is
//                           registered, then the helper files are removed.
//   journal, no library     the old copy is gone and the new one was not yet renamed into place:
//                           the verified new copy is renamed into place (failing that, the
//                           backup), registered, and the helper files are removed.
//
// The journal is removed last, so that every kill point ends in one of these three states.

#include <functional>
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
  };
  // Runs the registration tool with the given switches on the installed copy and waits.
  using RunTool = std::function<RegistrationResult(const char* switches)>;

  // Every step is written to `report`'s log.
  Installer(Files& files, modDllUp::SharedState& shared, RunTool runTool, Report& report);

  // Puts the shipped copy in place where none is installed.
  Result Install();
  // Replaces the older installed copy with the shipped one.
  Result Replace();
  // Finishes or undoes work a previous run left unfinished. True when anything was found.
  bool Recover();
  // True when Recover has a journal to settle, which takes a registration.
  bool Interrupted() { return files_.FileExists(journal_); }

  const std::string& StagedPath() const { return staged_; }
  const std::string& BackupPath() const { return backup_; }
  const std::string& JournalPath() const { return journal_; }

 private:
  // Copies the shipped copy in, checks it against what was compared and shown, and writes the
  // journal. Anything but Installed means that nothing is left of the attempt.
  Outcome Stage();
  // Once the new copy is in place: removes the shipped copy and registers the new one.
  Result Finish();
  // Removes whichever helper files exist; the journal last.
  void RemoveHelperFiles();
  void RemoveIfPresent(const std::string& path);
  // The file operations, each written down with its result.
  bool Copy(const std::string& source, const std::string& destination);
  bool Rename(const std::string& source, const std::string& destination);
  bool Remove(const std::string& path);

  Files& files_;
  modDllUp::SharedState& shared_;
  RunTool runTool_;
  Report& report_;
  std::string staged_;
  std::string backup_;
  std::string journal_;
};

}  // namespace tarnwell
