#include "app/Installer.h"

#include <utility>

#include "app/Fill.h"
#include "app/Registration.h"

namespace tarnwell {

using namespace modDllUp;

namespace {
constexpr char kStagedSuffix[] = ".update-new";
constexpr char kBackupSuffix[] = ".update-old";
constexpr char kJournalSuffix[] = ".update-journal";

// A registration that did not run to its end may leave the library unregistered: the journal
// stays, so that the next start registers it again.
bool Settled(const RegistrationResult& registration) {
  return registration.kind == RegistrationResult::Kind::Finished;
}
}  // namespace

Installer::Installer(Files& files, SharedState& shared, RunTool runTool, Report& report)
    : files_(files),
      shared_(shared),
      runTool_(std::move(runTool)),
      report_(report),
      staged_(shared.SystemDllPath + kStagedSuffix),
      backup_(shared.SystemDllPath + kBackupSuffix),
      journal_(shared.SystemDllPath + kJournalSuffix) {}

Installer::Outcome Installer::Stage() {
  // Created afresh in the system folder, the copy takes the folder's protection and is on the
  // library's volume; from here on nobody but us can change it.
  if (!Copy(shared_.NewDllPath, staged_)) {
    RemoveIfPresent(staged_);
    return Outcome::NotCopied;
  }
  // The shipped copy lies where a user can write: it may have changed since it was checked.
  const auto size = files_.FileSize(staged_);
  bool same = size && shared_.NewDllSize && *size == *shared_.NewDllSize;
  std::string found = (size ? std::to_string(*size) : std::string("?")) + " bytes";
  // A copy without a readable version was installed for what it is; its size is all there is.
  if (same && IsReadableVersion(shared_.NewDllVersion)) {
    shared_.LastVersionInfo = files_.GetVersionInfo(staged_);
    same = shared_.LastVersionInfo.FileVersion == shared_.NewDllVersion;
    found += ", version " + shared_.LastVersionInfo.FileVersion;
  }
  const std::string checked = (shared_.NewDllSize ? std::to_string(*shared_.NewDllSize) : "?") +
                              " bytes, version " + shared_.NewDllVersion;
  if (!same) {
    report_.Note(
        Fill("The copy holds %1, not the %2 that were checked: the shipped copy has changed",
             {found, checked}));
    RemoveIfPresent(staged_);
    return Outcome::Changed;
  }
  report_.Note(Fill("Checked the copy: %1", {checked}));
  if (!files_.CreateMarker(journal_)) {
    report_.Note(Fill("Could not write the journal %1", {journal_}));
    RemoveHelperFiles();
    return Outcome::NotCopied;
  }
  report_.Note(Fill("Wrote the journal %1", {journal_}));
  return Outcome::Installed;
}

Installer::Result Installer::Install() {
  if (const Outcome staged = Stage(); staged != Outcome::Installed) return {staged, {}};
  if (!Rename(staged_, shared_.SystemDllPath)) {
    RemoveHelperFiles();
    return {Outcome::NotCopied, {}};
  }
  return Finish();
}

Installer::Result Installer::Replace() {
  const std::string& installed = shared_.SystemDllPath;
  if (const Outcome staged = Stage(); staged != Outcome::Installed) return {staged, {}};

  // Gone since it was checked: there is nothing to take out of the way.
  if (files_.FileExists(installed)) {
    // No backup, no delete: the old copy is not touched unless it can be put back.
    if (!Copy(installed, backup_)) {
      RemoveHelperFiles();
      return {Outcome::NoBackup, {}};
    }
    runTool_(kUnregisterSwitches);
    files_.ShellDeleteFile(installed, shared_.MainWindowHandle);
    const bool deleted = !files_.FileExists(installed);
    report_.Note(deleted ? "Deleted the installed copy to the recycle bin"
                         : "The installed copy could not be deleted: it is in use");
    if (!deleted) {
      // Most likely in use: it stays, and works as before.
      const RegistrationResult registration = runTool_(kRegisterSwitches);
      if (Settled(registration)) RemoveHelperFiles();
      return {Outcome::OldInUse, registration};
    }
  }

  if (!Rename(staged_, installed)) {
    if (!Rename(backup_, installed)) {
      // The journal stays: the next start puts a copy in place.
      return {Outcome::NotRestored, {}};
    }
    const RegistrationResult registration = runTool_(kRegisterSwitches);
    if (Settled(registration)) RemoveHelperFiles();
    return {Outcome::Restored, registration};
  }
  return Finish();
}

Installer::Result Installer::Finish() {
  // The new copy is in place: the shipped one has been moved, whether or not it can be removed.
  Remove(shared_.NewDllPath);
  const RegistrationResult registration = runTool_(kRegisterSwitches);
  if (Settled(registration)) RemoveHelperFiles();
  return {Outcome::Installed, registration};
}

bool Installer::Recover() {
  const std::string& installed = shared_.SystemDllPath;
  if (!files_.FileExists(journal_)) {
    const bool found = files_.FileExists(staged_) || files_.FileExists(backup_);
    if (found) report_.Note("Found the leftovers of an unfinished copy; nothing had been replaced");
    RemoveHelperFiles();
    return found;
  }
  report_.Note("Found the journal of an interrupted install or update: settling it");
  if (!files_.FileExists(installed)) {
    // The staged copy was verified before the journal was written.
    const bool renamed = files_.FileExists(staged_) && Rename(staged_, installed);
    if (!renamed && files_.FileExists(backup_)) Rename(backup_, installed);
  }
  if (!files_.FileExists(installed)) {
    report_.Note("No copy could be put in place; the journal stays for the next start");
    return true;
  }
  if (Settled(runTool_(kRegisterSwitches))) RemoveHelperFiles();
  return true;
}

void Installer::RemoveHelperFiles() {
  RemoveIfPresent(staged_);
  RemoveIfPresent(backup_);
  RemoveIfPresent(journal_);
}

void Installer::RemoveIfPresent(const std::string& path) {
  if (files_.FileExists(path)) Remove(path);
}

bool Installer::Copy(const std::string& source, const std::string& destination) {
  const bool copied = files_.CopyNewFile(source, destination);
  report_.Note(Fill(copied ? "Copied %1 to %2" : "Could not copy %1 to %2", {source, destination}));
  return copied;
}

bool Installer::Rename(const std::string& source, const std::string& destination) {
  const bool renamed = files_.RenameFile(source, destination) && files_.FileExists(destination);
  report_.Note(
      Fill(renamed ? "Renamed %1 to %2" : "Could not rename %1 to %2", {source, destination}));
  return renamed;
}

bool Installer::Remove(const std::string& path) {
  const bool removed = files_.RemoveFile(path);
  report_.Note(Fill(removed ? "Removed %1" : "Could not remove %1", {path}));
  return removed;
}

}  // namespace tarnwell
