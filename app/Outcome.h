#pragma once
// How a run turns out, and what follows from that in one table: the colour the window shows
// the outcome in, and the exit code the process ends with.

#include <cstdint>

namespace tarnwell {

// Label colours, 0xBBGGRR.
inline constexpr std::uint32_t kDarkBlue = 0xC00000;
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kGreen = 0x00C000;
inline constexpr std::uint32_t kOrange = 0x0080FF;

// What the process answers to whoever started it.
enum class ExitCode : int {
  Current = 0,         // the library is installed and current
  NoReplacement = 1,   // no new copy beside the program
  Failed = 2,          // an install, update or registration failed
  Cancelled = 3,       // an offered update was not run: cancelled, or the IDE stayed open
  AlreadyRunning = 4,  // another instance is running
  NotUnderstood = 5,   // the command line was not understood or the log could not be written
  // Installed and current, but processes that use the library run the old copy until they are
  // restarted: the code deployment tools read as success with a restart needed.
  RestartNeeded = 3010,
};

enum class Outcome {
  Undecided,           // nothing has been decided yet
  NoSystemFolder,      // the system folder cannot be found: nothing is touched
  UpToDate,            // the installed copy is as new: the shipped one is deleted
  VersionUnreadable,   // a copy's version cannot be read: the shipped one is kept
  Offered,             // the update waits for the user to let the IDE be closed
  Cancelled,           // the update was cancelled, or the IDE stayed open
  Installed,           // no copy was installed; the shipped one is in place and registered
  NotInstalled,        // ... but it could not be put in place, or registered
  Updated,             // the older copy was replaced and the new one registered
  UpdatedInUse,        // ... and other processes still run the old copy until restarted
  NotUpdated,          // ... but the update or its registration failed
  ReplacementMissing,  // no shipped copy beside the program
  Refused,             // the shipped copy is not one to install: nothing is touched
  AlreadyRunning,      // another instance runs
  NotUnderstood,       // the command line or the log file
};

ExitCode ExitCodeOf(Outcome outcome);
// The label colour the outcome is shown in; the dark blue of the design where none is shown.
std::uint32_t ColourOf(Outcome outcome);

}  // namespace tarnwell
