#include "app/StatusTexts.h"

namespace tarnwell::texts {
namespace {

std::string Version(const std::string& version) { return "Version: " + version; }
std::string DllVersion(const std::string& version) { return "Quandrel.dll Version: " + version; }

constexpr char kUpdateError[] = "There was an Error while updating the Quandrel.dll";
constexpr char kInstallError[] = "There was an Error while installing the Quandrel.dll";
constexpr char kNotInstalledOrRegistered[] = "NOT INSTALLED OR REGISTERED";

std::string StillThere(const std::string& installed, bool update) {
  return update ? Version(installed) + " is still installed"
                : std::string("Quandrel.dll ") + kNotInstalledOrRegistered;
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
  return JoinLines({"The current Quandrel.dll ", Version(installed), "Needs to be updated to",
                    Version(shipped), "This programme requires the Corvex IDE to be closed down",
                    "Press 'OK' to Close the Corvex IDE and Update the Quandrel.dll",
                    "Press 'Cancel' to Abort the Update of the Quandrel.dll"});
}

std::string UpToDate(const std::string& installed, const std::string& shippedPath,
                     const std::string& shipped, ShippedCopy fate) {
  const char* line = fate == ShippedCopy::Kept      ? "has NOT been deleted"
                     : fate == ShippedCopy::Deleted ? "has been deleted"
                                                    : "could not be deleted";
  return JoinLines({"The current " + DllVersion(installed), "is upto date the", shippedPath,
                    DllVersion(shipped), line});
}

std::string Installed(const std::string& version) {
  return JoinLines({"Quandrel.dll ", Version(version), "Installed and registered"});
}

std::string NotInstalled(const std::string& version) {
  return JoinLines({"Quandrel.dll ", Version(version), kNotInstalledOrRegistered,
                    "SEE MANUAL INSTALLATION", "in the Fennick Help file"});
}

std::string RegistrationLine(const RegistrationResult& r) {
  switch (r.kind) {
    case RegistrationResult::Kind::NotStarted:
      return "RegSvr32 could not be started";
    case RegistrationResult::Kind::TimedOut:
      return "RegSvr32 did not finish";
    case RegistrationResult::Kind::Finished:
      break;
  }
  return "RegSvr32 exit code " + std::to_string(r.exitCode);
}

std::string NotRegistered(const std::string& version, const RegistrationResult& r) {
  return JoinLines(
      {"Quandrel.dll ", Version(version), "Installed but NOT REGISTERED", RegistrationLine(r)});
}

std::string ReplacementMissing(const std::string& shippedPath) {
  return JoinLines({"No Quandrel.dll found at", shippedPath});
}

std::string NoSystemFolder() {
  return JoinLines(
      {"The system folder could not be found", "Quandrel.dll has NOT been installed or updated"});
}

std::string WaitingForIde() { return JoinLines({"Waiting for the Corvex IDE", "To be closed"}); }

std::string UpdateInProgress() { return JoinLines({"Update in progress", "Please wait"}); }

std::string Updated(const std::string& from, const std::string& to) {
  return JoinLines({DllVersion(from), "has being updated to", DllVersion(to)});
}

std::string UpdatedNotRegistered(const std::string& version, const RegistrationResult& r) {
  return JoinLines(
      {DllVersion(version), "has been installed but NOT REGISTERED", RegistrationLine(r)});
}

std::string UpdateFailed() {
  return JoinLines(
      {kUpdateError, "please make sure that 'No Application'", "is referencing the Quandrel.dll"});
}

std::string Restored(const std::string& shipped, const std::string& installed, bool restored) {
  return JoinLines(
      {kUpdateError, "The new " + Version(shipped) + " could not be installed",
       Version(installed) + (restored ? " has been restored" : " could NOT be restored")});
}

std::string NotCopied(const std::string& installed) {
  return JoinLines({kUpdateError, "The new copy could not be copied into the system folder",
                    StillThere(installed, true)});
}

std::string Changed(const std::string& checked, const std::string& installed, bool update) {
  return JoinLines({update ? kUpdateError : kInstallError,
                    "The Quandrel.dll beside this programme has changed",
                    "since " + Version(checked) + " was checked", StillThere(installed, update)});
}

std::string NoBackup(const std::string& installed) {
  return JoinLines({kUpdateError, "No backup of " + Version(installed) + " could be made",
                    StillThere(installed, true)});
}

std::string AfterInstall(FileWork work, const RegistrationResult& r, const std::string& shipped,
                         const std::string& installed) {
  if (work == FileWork::Changed) return Changed(shipped, installed, false);
  if (work != FileWork::Installed) return NotInstalled(installed);
  return r.Succeeded() ? Installed(installed) : NotRegistered(installed, r);
}

std::string AfterUpdate(FileWork work, const RegistrationResult& r, const std::string& from,
                        const std::string& to) {
  switch (work) {
    case FileWork::Installed:
      break;
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

}  // namespace tarnwell::texts
