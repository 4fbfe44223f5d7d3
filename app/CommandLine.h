#pragma once
// The switches of an unattended run, from the arguments as the platform split them:
//   TarnwellUpdate.exe [/quiet] [/closeide] [/log <file>] [/?]
// Switches are case-insensitive and start with "/" or "-". Started without arguments, the
// program runs exactly as it always has.

#include <optional>
#include <span>
#include <string>
#include <string_view>

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

// True when a whole command line, as the process was given it, names the program and nothing
// after it. The program's name is split off as the platform splits it: up to the next quotation
// mark when it begins with one, else up to the first blank or tab. A plain start, the common
// one, so needs no splitting at all.
template <typename Char>
bool OnlyTheProgram(std::basic_string_view<Char> line) {
  std::size_t at = 0;
  if (!line.empty() && line[0] == Char('"')) {
    const auto close = line.find(Char('"'), 1);
    at = close == line.npos ? line.size() : close + 1;
  } else {
    while (at < line.size() && line[at] != Char(' ') && line[at] != Char('\t')) ++at;
  }
  while (at < line.size() && (line[at] == Char(' ') || line[at] == Char('\t'))) ++at;
  return at == line.size();
}

// The usage text: the switches and the exit codes, lines joined by CR LF.
std::string UsageText();
// What a box says about an argument that was not understood, followed by the usage.
std::string NotUnderstoodText(const std::string& argument);
// The arguments as one line for the log, each quoted where it holds a blank.
std::string QuotedArguments(std::span<const std::string> arguments);

}  // namespace tarnwell
