#include "app/Installer.h"

#include <utility>

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

Installer::Installer(System& system, SharedState& shared, RunTool runTool)
    : sys_(system),
      shared_(shared),
      runTool_(std::move(runTool)),
      staged_(shared.SystemDllPath + kStagedSuffix),
      backup_(shared.SystemDllPath + kBackupSuffix),
      journal_(shared.SystemDllPath + kJournalSuffix) {}

Installer::Outcome Installer::Stage() {
  // Created afresh in the system folder, the copy takes the folder's protection and is on the
  // library's volume; from here on nobody but us can change it.
  if (!sys_.CopyNewFile(shared_.NewDllPath, staged_)) {
    RemoveIfPresent(staged_);
    return Outcome::NotCopied;
  }
  // The shipped copy lies where a user can write: it may have changed since it was checked.
  const auto size = sys_.FileSize(staged_);
  bool same = size && shared_.NewDllSize && *size == *shared_.NewDllSize;
  // A copy without a readable version was installed for what it is; its size is all there is.
  if (same && IsReadableVersion(shared_.NewDllVersion)) {
    shared_.LastVersionInfo = sys_.GetVersionInfo(staged_);
    same = shared_.LastVersionInfo.FileVersion == shared_.NewDllVersion;
  }
  if (!same) {
    RemoveIfPresent(staged_);
    return Outcome::Changed;
  }
  if (!sys_.CreateMarker(journal_)) {
    RemoveHelperFiles();
    return Outcome::NotCopied;
  }
  return Outcome::Installed;
}

Installer::Result Installer::Install() {
  if (const Outcome staged = Stage(); staged != Outcome::Installed) return {staged, {}};
  if (!sys_.RenameFile(staged_, shared_.SystemDllPath) || !sys_.FileExists(shared_.SystemDllPath)) {
    RemoveHelperFiles();
    return {Outcome::NotCopied, {}};
  }
  return Finish();
}

Installer::Result Installer::Replace() {
  const std::string& installed = shared_.SystemDllPath;
  if (const Outcome staged = Stage(); staged != Outcome::Installed) return {staged, {}};

  // Gone since it was checked: there is nothing to take out of the way.
  if (sys_.FileExists(installed)) {
    // No backup, no delete: the old copy is not touched unless it can be put back.
    if (!sys_.CopyNewFile(installed, backup_)) {
      RemoveHelperFiles();
      return {Outcome::NoBackup, {}};
    }
    runTool_(kUnregisterSwitches);
    sys_.ShellDeleteFile(installed, shared_.MainWindowHandle);
    if (sys_.FileExists(installed)) {
      // Most likely in use: it stays, and works as before.
      const RegistrationResult registration = runTool_(kRegisterSwitches);
      if (Settled(registration)) RemoveHelperFiles();
      return {Outcome::OldInUse, registration};
    }
  }

  if (!sys_.RenameFile(staged_, installed) || !sys_.FileExists(installed)) {
    if (!sys_.RenameFile(backup_, installed) || !sys_.FileExists(installed)) {
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
  sys_.RemoveFile(shared_.NewDllPath);
  const RegistrationResult registration = runTool_(kRegisterSwitches);
  if (Settled(registration)) RemoveHelperFiles();
  return {Outcome::Installed, registration};
}

bool Installer::Recover() {
  const std::string& installed = shared_.SystemDllPath;
  if (!sys_.FileExists(journal_)) {
    const bool found = sys_.FileExists(staged_) || sys_.FileExists(backup_);
    RemoveHelperFiles();
    return found;
  }
  if (!sys_.FileExists(installed)) {
    // The staged copy was verified before the journal was written.
    const bool renamed = sys_.FileExists(staged_) && sys_.RenameFile(staged_, installed);
    if (!renamed && sys_.FileExists(backup_)) sys_.RenameFile(backup_, installed);
  }
  if (!sys_.FileExists(installed)) return true;
  if (Settled(runTool_(kRegisterSwitches))) RemoveHelperFiles();
  return true;
}

void Installer::RemoveHelperFiles() {
  RemoveIfPresent(staged_);
  RemoveIfPresent(backup_);
  RemoveIfPresent(journal_);
}

void Installer::RemoveIfPresent(const std::string& path) {
  if (sys_.FileExists(path)) sys_.RemoveFile(path);
}

}  // namespace tarnwell
