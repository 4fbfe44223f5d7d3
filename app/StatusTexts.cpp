#include "app/StatusTexts.h"

#include <algorithm>

#include "app/Fill.h"

namespace tarnwell::texts {
namespace {

// Each text whole, its lines joined by CR LF; "%1", "%2" are the values put in (app/Fill.h).
constexpr char kConfirmUpdate[] =
    "The current Quandrel.dll \r\n"
    "Version: %1\r\n"
    "Needs to be updated to\r\n"
    "Version: %2\r\n"
    "This programme requires the Corvex IDE to be closed down\r\n"
    "Press 'OK' to Close the Corvex IDE and Update the Quandrel.dll\r\n"
    "Press 'Cancel' to Abort the Update of the Quandrel.dll";
constexpr char kUpToDate[] =
    "The current Quandrel.dll Version: %1\r\n"
    "is upto date the\r\n"
    "%2\r\n"
    "Quandrel.dll Version: %3\r\n"
    "%4";
constexpr char kInstalled[] =
    "Quandrel.dll \r\n"
    "Version: %1\r\n"
    "Installed and registered";
constexpr char kNotInstalled[] =
    "Quandrel.dll \r\n"
    "Version: %1\r\n"
    "NOT INSTALLED OR REGISTERED\r\n"
    "SEE MANUAL INSTALLATION\r\n"
    "in the Fennick Help file";
constexpr char kNotRegistered[] =
    "Quandrel.dll \r\n"
    "Version: %1\r\n"
    "Installed but NOT REGISTERED\r\n"
    "%2";
constexpr char kReplacementMissing[] =
    "No Quandrel.dll found at\r\n"
    "%1";
constexpr char kNoSystemFolder[] =
    "The system folder could not be found\r\n"
    "Quandrel.dll has NOT been installed or updated";
constexpr char kWaitingForIde[] =
    "Waiting for the Corvex IDE\r\n"
    "To be closed";
constexpr char kUpdateInProgress[] =
    "Update in progress\r\n"
    "Please wait";
constexpr char kUpdated[] =
    "Quandrel.dll Version: %1\r\n"
    "has being updated to\r\n"
    "Quandrel.dll Version: %2";
constexpr char kUpdatedNotRegistered[] =
    "Quandrel.dll Version: %1\r\n"
    "has been installed but NOT REGISTERED\r\n"
    "%2";
constexpr char kUpdateFailed[] =
    "There was an Error while updating the Quandrel.dll\r\n"
    "please make sure that 'No Application'\r\n"
    "is referencing the Quandrel.dll";
constexpr char kRestored[] =
    "There was an Error while updating the Quandrel.dll\r\n"
    "The new Version: %1 could not be installed\r\n"
    "Version: %2 %3";
constexpr char kNotCopied[] =
    "There was an Error while updating the Quandrel.dll\r\n"
    "The new copy could not be copied into the system folder\r\n"
    "Version: %1 is still installed";
constexpr char kChangedUpdate[] =
    "There was an Error while updating the Quandrel.dll\r\n"
    "The Quandrel.dll beside this programme has changed\r\n"
    "since Version: %1 was checked\r\n"
    "Version: %2 is still installed";
constexpr char kChangedInstall[] =
    "There was an Error while installing the Quandrel.dll\r\n"
    "The Quandrel.dll beside this programme has changed\r\n"
    "since Version: %1 was checked\r\n"
    "Quandrel.dll NOT INSTALLED OR REGISTERED";
constexpr char kInTheWayUpdate[] =
    "There was an Error while updating the Quandrel.dll\r\n"
    "%1 is in the way\r\n"
    "(a folder, or a file that is read-only)\r\n"
    "Version: %2 is still installed";
constexpr char kInTheWayInstall[] =
    "There was an Error while installing the Quandrel.dll\r\n"
    "%1 is in the way\r\n"
    "(a folder, or a file that is read-only)\r\n"
    "Quandrel.dll NOT INSTALLED OR REGISTERED";
constexpr char kNewNotRegistered[] =
    "There was an Error while updating the Quandrel.dll\r\n"
    "The new Version: %1 could not be registered (%3)\r\n"
    "Version: %2 is still installed and registered";
constexpr char kNotAPlainFile[] =
    "The Quandrel.dll beside this programme is not a plain file\r\n"
    "%1\r\n"
    "(a link, or a file with a second name)\r\n"
    "It has NOT been installed";
constexpr char kCannotBeRead[] =
    "The Quandrel.dll beside this programme cannot be read\r\n"
    "%1\r\n"
    "It has NOT been installed";
constexpr char kNotSigned[] =
    "The Quandrel.dll beside this programme is NOT signed by this programme's publisher\r\n"
    "%1\r\n"
    "Signed by: %2\r\n"
    "Expected: %3\r\n"
    "It has NOT been installed";
constexpr char kNotSignedStill[] = "Version: %1 is still installed";
constexpr char kNotSettled[] = "An interrupted update could not be finished: %1";
constexpr char kRestartToUse[] = "To use the new version, restart: %1";
constexpr char kInUseBy[] = "In use by: %1";
constexpr char kHolderName[] = "%1 (process %2)";
constexpr char kAndMore[] = "%1 and %2 more";
// Holders the label names; the log names them all.
constexpr std::size_t kNamedOnTheLabel = 3;
constexpr char kNoBackup[] =
    "There was an Error while updating the Quandrel.dll\r\n"
    "No backup of Version: %1 could be made\r\n"
    "Version: %1 is still installed";

std::string FewNamed(const std::vector<Holder>& holders) {
  std::string named;
  const std::size_t shown = std::min(holders.size(), kNamedOnTheLabel);
  for (std::size_t i = 0; i < shown; ++i) {
    if (i != 0) named += ", ";
    named += HolderName(holders[i]);
  }
  if (holders.size() == shown) return named;
  return Fill(kAndMore, {named, Decimal(holders.size() - shown)});
}

}  // namespace

std::string JoinLines(std::initializer_list<std::string_view> lines) {
  std::string text;
  bool first = true;
  for (const auto line : lines) {
    if (!first) text += kNewLine;
    text += line;
    first = false;
  }
  return text;
}

std::string ConfirmUpdate(const std::string& installed, const std::string& shipped) {
  return Fill(kConfirmUpdate, {installed, shipped});
}

std::string UpToDate(const std::string& installed, const std::string& shippedPath,
                     const std::string& shipped, ShippedCopy fate) {
  const char* line = fate == ShippedCopy::Kept      ? "has NOT been deleted"
                     : fate == ShippedCopy::Deleted ? "has been deleted"
                                                    : "could not be deleted";
  return Fill(kUpToDate, {installed, shippedPath, shipped, line});
}

std::string Installed(const std::string& version) { return Fill(kInstalled, {version}); }

std::string NotInstalled(const std::string& version) { return Fill(kNotInstalled, {version}); }

std::string RegistrationLine(const RegistrationResult& r) {
  switch (r.kind) {
    case RegistrationResult::Kind::NotStarted:
      return "RegSvr32 could not be started";
    case RegistrationResult::Kind::TimedOut:
      return "RegSvr32 did not finish";
    case RegistrationResult::Kind::Finished:
      break;
  }
  return "RegSvr32 exit code " + Decimal(r.exitCode);
}

std::string NotRegistered(const std::string& version, const RegistrationResult& r) {
  return Fill(kNotRegistered, {version, RegistrationLine(r)});
}

std::string ReplacementMissing(const std::string& shippedPath) {
  return Fill(kReplacementMissing, {shippedPath});
}

std::string NoSystemFolder() { return kNoSystemFolder; }

std::string WaitingForIde() { return kWaitingForIde; }

std::string UpdateInProgress() { return kUpdateInProgress; }

std::string Updated(const std::string& from, const std::string& to) {
  return Fill(kUpdated, {from, to});
}

std::string UpdatedNotRegistered(const std::string& version, const RegistrationResult& r) {
  return Fill(kUpdatedNotRegistered, {version, RegistrationLine(r)});
}

std::string UpdateFailed() { return kUpdateFailed; }

std::string Restored(const std::string& shipped, const std::string& installed, bool restored) {
  return Fill(kRestored,
              {shipped, installed, restored ? "has been restored" : "could NOT be restored"});
}

std::string NotCopied(const std::string& installed) { return Fill(kNotCopied, {installed}); }

std::string Changed(const std::string& checked, const std::string& installed, bool update) {
  return Fill(update ? kChangedUpdate : kChangedInstall, {checked, installed});
}

std::string NoBackup(const std::string& installed) { return Fill(kNoBackup, {installed}); }

std::string InTheWay(const std::string& path, const std::string& installed, bool update) {
  return Fill(update ? kInTheWayUpdate : kInTheWayInstall, {path, installed});
}

std::string NewNotRegistered(const std::string& shipped, const std::string& installed,
                             const RegistrationResult& r) {
  return Fill(kNewNotRegistered, {shipped, installed, RegistrationLine(r)});
}

std::string ShippedRefused(const std::string& shippedPath, Holding::State state) {
  return Fill(state == Holding::State::NotPlain ? kNotAPlainFile : kCannotBeRead, {shippedPath});
}

std::string NotSigned(const std::string& shippedPath, const PublisherVerdict& verdict,
                      const std::string& installed, bool update) {
  const std::string text = Fill(kNotSigned, {shippedPath, verdict.found, verdict.expected});
  return update ? text + kNewLine + Fill(kNotSignedStill, {installed}) : text;
}

std::string NotSettled(const RegistrationResult& r) {
  return Fill(kNotSettled, {RegistrationLine(r)});
}

std::string AfterInstall(FileWork work, const RegistrationResult& r, const std::string& shipped,
                         const std::string& installed, const std::string& inTheWay,
                         const std::string& shippedPath, const PublisherVerdict& verdict) {
  if (work == FileWork::Refused) return NotSigned(shippedPath, verdict, installed, false);
  if (work == FileWork::Changed) return Changed(shipped, installed, false);
  if (work == FileWork::InTheWay) return InTheWay(inTheWay, installed, false);
  if (work != FileWork::Installed) return NotInstalled(installed);
  return r.Succeeded() ? Installed(installed) : NotRegistered(installed, r);
}

std::string AfterUpdate(FileWork work, const RegistrationResult& r, const std::string& from,
                        const std::string& to, const std::string& inTheWay,
                        const std::string& shippedPath, const PublisherVerdict& verdict) {
  switch (work) {
    case FileWork::Refused:
      return NotSigned(shippedPath, verdict, from, true);
    case FileWork::Installed:
      break;
    case FileWork::InTheWay:
      return InTheWay(inTheWay, from, true);
    case FileWork::NotRegistered:
      return NewNotRegistered(to, from, r);
    case FileWork::NotCopied:
      return NotCopied(from);
    case FileWork::Changed:
      return Changed(to, from, true);
    case FileWork::NoBackup:
      return NoBackup(from);
    case FileWork::OldInUse:
      return UpdateFailed();
    case FileWork::Restored:
    case FileWork::NotRestored:
      return Restored(to, from, work == FileWork::Restored);
  }
  return r.Succeeded() ? Updated(from, to) : UpdatedNotRegistered(to, r);
}

std::string HolderName(const Holder& holder) {
  return Fill(kHolderName, {holder.image, Decimal(holder.processId)});
}

std::string RestartToUseNewVersion(const std::vector<Holder>& holders) {
  return Fill(kRestartToUse, {FewNamed(holders)});
}

std::string InUseBy(const std::vector<Holder>& holders) {
  return Fill(kInUseBy, {FewNamed(holders)});
}

}  // namespace tarnwell::texts
