#pragma once
// The switches of an unattended run, from the arguments as the platform split them:
//   TarnwellUpdate.exe [/quiet] [/closeide] [/log <file>] [/?]
// Switches are case-insensitive and start with "/" or "-". Started without arguments, the
// program runs exactly as it always has.

#include <optional>
#include <span>
#include <string>

namespace tarnwell {

struct CommandLine {
  bool quiet = false;     // no window and no message box, ever; ends once the outcome is known
  bool closeIde = false;  // the update may close the IDE without asking
  bool help = false;      // show the switches and the exit codes, change nothing
  std::optional<std::string> logFile;
  // The first argument that was not understood; empty when every one was.
  std::string notUnderstood;

  bool Understood() const { return notUnderstood.empty(); }
};

// Reads the arguments after the program's own name.
CommandLine ParseCommandLine(std::span<const std::string> arguments);

// The usage text: the switches and the exit codes, lines joined by CR LF.
std::string UsageText();
// What a box says about an argument that was not understood, followed by the usage.
std::string NotUnderstoodText(const std::string& argument);
// The arguments as one line for the log, each quoted where it holds a blank.
std::string QuotedArguments(std::span<const std::string> arguments);

}  // namespace tarnwell
