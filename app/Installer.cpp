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

std::string Bytes(const std::optional<std::uint64_t>& size) {
  return (size ? Decimal(*size) : std::string("?")) + " bytes";
}
}  // namespace

Installer::Installer(Files& files, SharedState& shared, HeldFile* shipped, RunTool runTool, Vet vet,
                     Report& report)
    : files_(files),
      shared_(shared),
      shipped_(shipped),
      runTool_(std::move(runTool)),
      vet_(std::move(vet)),
      report_(report),
      stagedPath_(shared.SystemDllPath + kStagedSuffix),
      backupPath_(shared.SystemDllPath + kBackupSuffix),
      journalPath_(shared.SystemDllPath + kJournalSuffix) {}

std::string Installer::InTheWay() {
  for (const std::string* path : {&stagedPath_, &backupPath_, &journalPath_}) {
    const PathKind kind = files_.KindOf(*path);
    if (kind == PathKind::Folder || kind == PathKind::ReadOnlyFile) {
      report_.Note(Fill("%1 is in the way: %2",
                        {*path, kind == PathKind::Folder ? "a folder" : "a read-only file"}));
      return *path;
    }
  }
  return {};
}

Installer::Outcome Installer::Stage() {
  // Created afresh in the system folder, the copy takes the folder's protection and is on the
  // library's volume; held from its first byte, nobody but us can open it.
  staged_ = shipped_ ? files_.CopyNew(*shipped_, stagedPath_) : nullptr;
  report_.Note(Fill(staged_ ? "Copied %1 to %2" : "Could not copy %1 to %2",
                    {shared_.NewDllPath, stagedPath_}));
  if (!staged_) return Outcome::NotCopied;
  // What was copied must be what was compared and shown: the same size and version.
  const auto size = staged_->Size();
  bool same = size && shared_.NewDllSize && *size == *shared_.NewDllSize;
  std::string found = Bytes(size);
  // A copy without a readable version was installed for what it is; its size is all there is.
  if (same && IsReadableVersion(shared_.NewDllVersion)) {
    shared_.LastVersionInfo = staged_->Version();
    same = shared_.LastVersionInfo.FileVersion == shared_.NewDllVersion;
    found += ", version " + shared_.LastVersionInfo.FileVersion;
  }
  const std::string checked = Bytes(shared_.NewDllSize) + ", version " + shared_.NewDllVersion;
  if (!same) {
    report_.Note(
        Fill("The copy holds %1, not the %2 that were checked: the shipped copy has changed",
             {found, checked}));
    RemoveHelper(staged_, stagedPath_);
    return Outcome::Changed;
  }
  report_.Note(Fill("Checked the copy: %1", {checked}));
  // The bytes the registration tool will load, checked where nobody else can change them, and
  // before anything of the old copy is touched.
  if (vet_ && !vet_(*staged_, stagedPath_)) {
    RemoveHelper(staged_, stagedPath_);
    return Outcome::Refused;
  }
  journal_ = files_.CreateMarker(journalPath_);
  if (!journal_) {
    report_.Note(Fill("Could not write the journal %1", {journalPath_}));
    RemoveHelperFiles();
    return Outcome::NotCopied;
  }
  report_.Note(Fill("Wrote the journal %1", {journalPath_}));
  return Outcome::Installed;
}

Installer::Result Installer::Install() {
  if (std::string blocker = InTheWay(); !blocker.empty()) {
    return {Outcome::InTheWay, {}, std::move(blocker)};
  }
  if (const Outcome staged = Stage(); staged != Outcome::Installed) return {staged, {}, {}};
  if (!PutInPlace(staged_, stagedPath_)) {
    RemoveHelperFiles();
    return {Outcome::NotCopied, {}, {}};
  }
  return Finish();
}

Installer::Result Installer::Replace() {
  const std::string& installed = shared_.SystemDllPath;
  if (std::string blocker = InTheWay(); !blocker.empty()) {
    return {Outcome::InTheWay, {}, std::move(blocker)};
  }
  if (const Outcome staged = Stage(); staged != Outcome::Installed) return {staged, {}, {}};

  // Gone since it was checked: there is nothing to take out of the way.
  if (files_.FileExists(installed)) {
    // No backup, no delete: the old copy is not touched unless it can be put back.
    backup_ = files_.CopyNew(installed, backupPath_);
    report_.Note(
        Fill(backup_ ? "Copied %1 to %2" : "Could not copy %1 to %2", {installed, backupPath_}));
    if (!backup_) {
      RemoveHelperFiles();
      return {Outcome::NoBackup, {}, {}};
    }
    runTool_(kUnregisterSwitches);
    files_.ShellDeleteFile(installed, shared_.MainWindowHandle);
    const bool deleted = !files_.FileExists(installed);
    report_.Note(deleted ? "Deleted the installed copy to the recycle bin"
                         : "The installed copy could not be deleted: it is in use");
    // Most likely in use: it stays, and works as before.
    if (!deleted) return {Outcome::OldInUse, RegisterAndSettle(), {}};
  }

  if (!PutInPlace(staged_, stagedPath_)) {
    // The journal stays where nothing could be put back: the next start puts a copy in place.
    if (!backup_ || !PutInPlace(backup_, backupPath_)) return {Outcome::NotRestored, {}, {}};
    return {Outcome::Restored, RegisterAndSettle(), {}};
  }
  Result done = Finish();
  // The new copy would not register: the old one, which did, goes back.
  if (backup_ && !done.registration.Succeeded()) return PutTheOldCopyBack(done.registration);
  return done;
}

Installer::Result Installer::Finish() {
  const RegistrationResult registration = runTool_(kRegisterSwitches);
  if (registration.Succeeded() && shipped_) {
    // The new copy is in place and works: the one beside the program has been moved in.
    const bool removed = shipped_->Remove();
    report_.Note(Fill(removed ? "Removed %1" : "Could not remove %1", {shared_.NewDllPath}));
  }
  if (registration.Succeeded() || (Settled(registration) && !backup_)) RemoveHelperFiles();
  return {Outcome::Installed, registration, {}};
}

Installer::Result Installer::PutTheOldCopyBack(const RegistrationResult& failed) {
  report_.Note(Fill("The new copy could not be registered: putting Version: %1 back",
                    {shared_.SystemDllVersion}));
  // The old copy replaces the new one in one step (the new one's other copy is still beside the
  // program). A file the program holds cannot be replaced: it lets go of the new copy first.
  inPlace_.reset();
  if (!PutInPlace(backup_, backupPath_)) {
    // The new copy stays, unregistered; the journal stays too, so the next start tries again.
    return {Outcome::Installed, failed, {}};
  }
  RegisterAndSettle();
  return {Outcome::NotRegistered, failed, {}};
}

RegistrationResult Installer::RegisterAndSettle() {
  const RegistrationResult registration = runTool_(kRegisterSwitches);
  if (Settled(registration)) RemoveHelperFiles();
  return registration;
}

Installer::Recovery Installer::Recover() {
  const std::string& installed = shared_.SystemDllPath;
  if (!files_.FileExists(journalPath_)) {
    const bool found = files_.FileExists(stagedPath_) || files_.FileExists(backupPath_);
    if (found) report_.Note("Found the leftovers of an unfinished copy; nothing had been replaced");
    RemoveHelperFiles();
    return {found, false, {}};
  }
  report_.Note("Found the journal of an interrupted install or update: settling it");
  if (!files_.FileExists(installed)) {
    // The staged copy was verified before the journal was written.
    const bool renamed = files_.FileExists(stagedPath_) && Rename(stagedPath_, installed);
    if (!renamed && files_.FileExists(backupPath_)) Rename(backupPath_, installed);
  }
  if (!files_.FileExists(installed)) {
    report_.Note("No copy could be put in place; the journal stays for the next start");
    return {true, true, {}};
  }
  RegistrationResult registration = runTool_(kRegisterSwitches);
  // The copy in place would not register: where the old one is still at hand, it goes back.
  if (Settled(registration) && !registration.Succeeded() && files_.FileExists(backupPath_) &&
      Rename(backupPath_, installed)) {
    registration = runTool_(kRegisterSwitches);
  }
  if (Settled(registration)) RemoveHelperFiles();
  return {true, !registration.Succeeded(), registration};
}

void Installer::RemoveHelperFiles() {
  RemoveHelper(staged_, stagedPath_);
  RemoveHelper(backup_, backupPath_);
  RemoveHelper(journal_, journalPath_);
}

void Installer::RemoveHelper(std::unique_ptr<HeldFile>& held, const std::string& path) {
  // Held, it is removed through its handle; a leftover of an earlier run, by its path.
  if (!held && !files_.FileExists(path)) return;
  const bool removed = held ? held->Remove() : files_.RemoveFile(path);
  held.reset();
  report_.Note(Fill(removed ? "Removed %1" : "Could not remove %1", {path}));
}

bool Installer::Rename(const std::string& source, const std::string& destination) {
  const bool renamed = files_.RenameFile(source, destination) && files_.FileExists(destination);
  report_.Note(
      Fill(renamed ? "Renamed %1 to %2" : "Could not rename %1 to %2", {source, destination}));
  return renamed;
}

bool Installer::PutInPlace(std::unique_ptr<HeldFile>& helper, const std::string& from) {
  const std::string& to = shared_.SystemDllPath;
  const bool renamed = helper->RenameTo(to) && files_.FileExists(to);
  report_.Note(Fill(renamed ? "Renamed %1 to %2" : "Could not rename %1 to %2", {from, to}));
  // What was in place before, if anything held it, is gone with its name.
  if (renamed) inPlace_ = std::move(helper);
  return renamed;
}

}  // namespace tarnwell
