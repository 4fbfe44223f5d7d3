#include "app/modDllUp.h"

#include <charconv>

namespace tarnwell::modDllUp {

std::string WithTrailingBackslash(std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return folder;
}

std::string FolderOf(std::string_view path) {
  const auto slash = path.find_last_of('\\');
  if (slash == std::string_view::npos) return {};
  std::string folder(path.substr(0, slash));
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  return folder;
}

std::string PathIn(const std::string& folder, std::string_view name) {
  if (folder.empty()) return {};
  return WithTrailingBackslash(folder).append(name);
}

std::vector<std::string> SplitVersion(std::string_view version) {
  std::vector<std::string> parts;
  if (version.empty()) return parts;
  for (;;) {
    const auto dot = version.find('.');
    parts.emplace_back(version.substr(0, dot));
    if (dot == std::string_view::npos) break;
    version.remove_prefix(dot + 1);
  }
  return parts;
}

std::optional<std::uint16_t> ParseVersionPart(std::string_view part) {
  if (part.empty()) return std::nullopt;
  std::uint16_t value = 0;
  const auto [end, error] = std::from_chars(part.data(), part.data() + part.size(), value);
  if (error != std::errc{} || end != part.data() + part.size()) return std::nullopt;
  return value;
}

bool InstalledCopyIsOlder(SharedState& s) {
  s.NewVersionParts = SplitVersion(s.NewDllVersion);
  s.SystemVersionParts = SplitVersion(s.SystemDllVersion);
  if (s.NewVersionParts.size() != 4 || s.SystemVersionParts.size() != 4) return false;

  // The first differing part decides; parts after it are never looked at.
  for (std::size_t i = 0; i < 4; ++i) {
    const auto newPart = ParseVersionPart(s.NewVersionParts[i]);
    const auto systemPart = ParseVersionPart(s.SystemVersionParts[i]);
    if (!newPart || !systemPart) return false;
    s.NewVersionBytes[i] = *newPart;
    s.SystemVersionBytes[i] = *systemPart;
    if (*systemPart > *newPart) return false;
    if (*systemPart < *newPart) return true;
  }
  return false;
}

bool IsReadableVersion(std::string_view version) {
  const auto parts = SplitVersion(version);
  if (parts.size() != 4) return false;
  for (const auto& part : parts) {
    if (!ParseVersionPart(part)) return false;
  }
  return true;
}

std::string RegSvr32Program(const std::string& systemDirectory) {
  return PathIn(systemDirectory, kRegSvr32);
}

std::string RegSvr32CommandLine(const std::string& systemDirectory, const std::string& switches,
                                const std::string& libraryPath) {
  // Quoted, so that neither path can be split at a blank or searched for.
  return "\"" + RegSvr32Program(systemDirectory) + "\" " + switches + " \"" + libraryPath + "\"";
}

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

namespace {
std::string Version(const std::string& version) { return "Version: " + version; }
}  // namespace

std::string MessageConfirmUpdate(const SharedState& s) {
  return JoinLines({"The current Quandrel.dll ", Version(s.SystemDllVersion),
                    "Needs to be updated to", Version(s.NewDllVersion),
                    "This programme requires the Corvex IDE to be closed down",
                    "Press 'OK' to Close the Corvex IDE and Update the Quandrel.dll",
                    "Press 'Cancel' to Abort the Update of the Quandrel.dll"});
}

std::string MessageUpToDate(const SharedState& s, bool deleted, bool kept) {
  const char* fate = kept      ? "has NOT been deleted"
                     : deleted ? "has been deleted"
                               : "could not be deleted";
  return JoinLines({"The current Quandrel.dll Version: " + s.SystemDllVersion, "is upto date the",
                    s.NewDllPath, "Quandrel.dll Version: " + s.NewDllVersion, fate});
}

std::string MessageInstalled(const SharedState& s) {
  return JoinLines({"Quandrel.dll ", Version(s.SystemDllVersion), "Installed and registered"});
}

std::string MessageNotInstalled(const SharedState& s) {
  return JoinLines({"Quandrel.dll ", Version(s.SystemDllVersion), "NOT INSTALLED OR REGISTERED",
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

std::string MessageNotRegistered(const SharedState& s, const RegistrationResult& r) {
  return JoinLines({"Quandrel.dll ", Version(s.SystemDllVersion), "Installed but NOT REGISTERED",
                    RegistrationLine(r)});
}

std::string MessageReplacementMissing(const SharedState& s) {
  return JoinLines({"No Quandrel.dll found at", s.NewDllPath});
}

std::string MessageWaitingForIde() {
  return JoinLines({"Waiting for the Corvex IDE", "To be closed"});
}

std::string MessageUpdateInProgress() { return JoinLines({"Update in progress", "Please wait"}); }

std::string MessageUpdateFailed() {
  return JoinLines({"There was an Error while updating the Quandrel.dll",
                    "please make sure that 'No Application'", "is referencing the Quandrel.dll"});
}

std::string MessageUpdated(const SharedState& s) {
  return JoinLines({"Quandrel.dll Version: " + s.SystemDllVersion, "has being updated to",
                    "Quandrel.dll Version: " + s.NewDllVersion});
}

std::string MessageUpdatedNotRegistered(const SharedState& s, const RegistrationResult& r) {
  return JoinLines({"Quandrel.dll Version: " + s.NewDllVersion,
                    "has been installed but NOT REGISTERED", RegistrationLine(r)});
}

std::string MessageRestored(const SharedState& s, bool restored) {
  return JoinLines(
      {"There was an Error while updating the Quandrel.dll",
       "The new Version: " + s.NewDllVersion + " could not be installed",
       Version(s.SystemDllVersion) + (restored ? " has been restored" : " could NOT be restored")});
}

namespace {
std::string ErrorWhile(bool update) {
  return update ? "There was an Error while updating the Quandrel.dll"
                : "There was an Error while installing the Quandrel.dll";
}
std::string StillThere(const SharedState& s, bool update) {
  return update ? Version(s.SystemDllVersion) + " is still installed"
                : "Quandrel.dll NOT INSTALLED OR REGISTERED";
}
}  // namespace

std::string MessageNotCopied(const SharedState& s) {
  return JoinLines({ErrorWhile(true), "The new copy could not be copied into the system folder",
                    StillThere(s, true)});
}

std::string MessageChanged(const SharedState& s, bool update) {
  return JoinLines({ErrorWhile(update), "The Quandrel.dll beside this programme has changed",
                    "since " + Version(s.NewDllVersion) + " was checked", StillThere(s, update)});
}

std::string MessageNoBackup(const SharedState& s) {
  return JoinLines({ErrorWhile(true),
                    "No backup of " + Version(s.SystemDllVersion) + " could be made",
                    StillThere(s, true)});
}

std::string MessageNoSystemFolder() {
  return JoinLines(
      {"The system folder could not be found", "Quandrel.dll has NOT been installed or updated"});
}

}  // namespace tarnwell::modDllUp
