#pragma once
// Every text the status label shows, and nowhere else: the program composes them here, and the
// tests compare what the window shows with what these give. Lines are joined by CR LF, with
// none after the last; a line's trailing blank is part of the text.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "app/FileWork.h"
#include "app/RegistrationResult.h"
#include "app/Verdict.h"
#include "app/system/Files.h"
#include "app/system/Holders.h"

namespace tarnwell::texts {

inline constexpr char kNewLine[] = "\r\n";

std::string JoinLines(std::initializer_list<std::string_view> lines);

// ---- at start-up
// The installed copy is older and the IDE is open (dark blue).
std::string ConfirmUpdate(const std::string& installed, const std::string& shipped);
// What became of the shipped copy when the installed one is as new: deleted, left because it
// could not be deleted, or kept because the installed copy's version cannot be read.
enum class ShippedCopy { Deleted, NotDeleted, Kept };
std::string UpToDate(const std::string& installed, const std::string& shippedPath,
                     const std::string& shipped, ShippedCopy fate);                  // red
std::string Installed(const std::string& version);                                   // green
std::string NotInstalled(const std::string& version);                                // red
std::string NotRegistered(const std::string& version, const RegistrationResult& r);  // red
std::string ReplacementMissing(const std::string& shippedPath);                      // red
std::string NoSystemFolder();                                                        // red

// What a fresh install of `shipped` ended with: installed and registered (green), or what
// failed (red); `installed` is the version read after the install, `inTheWay` what kept it
// from being made, `verdict` what the publisher check found in the copy of `shippedPath`.
std::string AfterInstall(FileWork work, const RegistrationResult& r, const std::string& shipped,
                         const std::string& installed, const std::string& inTheWay,
                         const std::string& shippedPath, const PublisherVerdict& verdict);
// The Quandrel.dll beside the program is not a plain file (a link, or a file with a second
// name), or cannot be opened: it is not used, and nothing is touched.
std::string ShippedRefused(const std::string& shippedPath, Holding::State state);  // red
// The Quandrel.dll beside the program is not signed by this program's publisher (`verdict`
// names the signer found and the one expected): it was not installed; with `update`, the
// installed Version: `installed` stays.
std::string NotSigned(const std::string& shippedPath, const PublisherVerdict& verdict,
                      const std::string& installed, bool update);  // red
// Added to whatever the start shows when an interrupted update could not be settled.
std::string NotSettled(const RegistrationResult& r);

// ---- the update
std::string WaitingForIde();     // orange
std::string UpdateInProgress();  // the colour stays
// What the update from `from` to `to` ended with: updated and registered (green), or what
// failed (red); the last three as for AfterInstall.
std::string AfterUpdate(FileWork work, const RegistrationResult& r, const std::string& from,
                        const std::string& to, const std::string& inTheWay,
                        const std::string& shippedPath, const PublisherVerdict& verdict);
std::string Updated(const std::string& from, const std::string& to);  // green
std::string UpdatedNotRegistered(const std::string& version, const RegistrationResult& r);
// The installed copy could not be removed: it is in use.
std::string UpdateFailed();  // red
// The new copy could not be put in place; the old one is back, or could not be put back.
std::string Restored(const std::string& shipped, const std::string& installed, bool restored);
// The new copy could not be put into the system folder beside the older one.
std::string NotCopied(const std::string& installed);
// The shipped copy is no longer the one whose version `checked` was read; `installed` stays
// (with `update`), or nothing is installed.
std::string Changed(const std::string& checked, const std::string& installed, bool update);
std::string NoBackup(const std::string& installed);
// A helper file's name (`path`) is taken by a folder or a read-only file.
std::string InTheWay(const std::string& path, const std::string& installed, bool update);
// The new copy would not register, so the old one was put back and registered.
std::string NewNotRegistered(const std::string& shipped, const std::string& installed,
                             const RegistrationResult& r);

// Added to the green outcome when other processes still run the old copy: at most three of them
// named, then how many more.
std::string RestartToUseNewVersion(const std::vector<Holder>& holders);
// Added to UpdateFailed where the platform can tell who keeps the old copy in place.
std::string InUseBy(const std::vector<Holder>& holders);
// How a holder is named, on the label and in the log: "Indexer.exe (process 4242)".
std::string HolderName(const Holder& holder);

// Appended to an outcome when the IDE we closed could not be started again.
inline constexpr char kStartIdeAgain[] = "Please start the Corvex IDE again";
// "RegSvr32 exit code N", "RegSvr32 could not be started" or "RegSvr32 did not finish".
std::string RegistrationLine(const RegistrationResult& r);

}  // namespace tarnwell::texts
