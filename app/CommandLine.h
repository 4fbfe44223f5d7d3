#pragma once
// The switches of an unattended run, from the arguments as the platform split them:
//   TarnwellUpdate.exe [/quiet] [/closeide] [/log <file>] [/?]
// Switches are case-insensitive and start with "/" or "-". Started without arguments, the
// program runs exactly as it always has. A log file's name holding a quotation mark (which no
// valid path holds) is not understood: it shows that the platform's splitting took a switch
// into the name (see NamesQuiet).

#include <cstddef>
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

// Reads the arguments after the program's own name. `quietNamed` (NamesQuiet of the whole line)
// makes the run quiet whatever the arguments say.
CommandLine ParseCommandLine(std::span<const std::string> arguments, bool quietNamed = false);

// Where the program's name ends in a whole command line, as the process was given it. The name
// is split off as the platform splits it: up to the next quotation mark when it begins with one,
// else up to the first blank or tab.
template <typename Char>
std::size_t ProgramNameEnd(std::basic_string_view<Char> line) {
  if (!line.empty() && line[0] == Char('"')) {
    const auto close = line.find(Char('"'), 1);
    return close == line.npos ? line.size() : close + 1;
  }
  std::size_t at = 0;
  while (at < line.size() && line[at] != Char(' ') && line[at] != Char('\t')) ++at;
  return at;
}

// True when a whole command line names the program and nothing after it. A plain start, the
// common one, so needs no splitting at all.
template <typename Char>
bool OnlyTheProgram(std::basic_string_view<Char> line) {
  std::size_t at = ProgramNameEnd(line);
  while (at < line.size() && (line[at] == Char(' ') || line[at] == Char('\t'))) ++at;
  return at == line.size();
}

// True when a whole command line names /quiet (or -quiet, in any case) as a word of its own
// after the program's name: words are split at blanks and tabs only, and quotation marks in a
// word are left out, whatever the platform's splitting made of them. A backslash before a
// quotation mark makes the platform keep the mark and read on, so that
//   /log "C:\logs\" /quiet
// is split into /log and one argument C:\logs" /quiet, and no /quiet. Such a run must still
// never wait for a person: this finds the /quiet in the line as it was typed.
template <typename Char>
bool NamesQuiet(std::basic_string_view<Char> line) {
  constexpr char kQuiet[] = "quiet";
  const auto blank = [](Char c) { return c == Char(' ') || c == Char('\t'); };
  for (std::size_t at = ProgramNameEnd(line); at < line.size();) {
    if (blank(line[at])) {
      ++at;
      continue;
    }
    // One word: its first character other than a quotation mark is the switch's "/" or "-",
    // and the rest, marks left out, spell "quiet".
    std::size_t matched = 0;  // 0: nothing yet; 1: the "/" or "-"; then each letter
    bool same = true;
    for (; at < line.size() && !blank(line[at]); ++at) {
      const Char c = line[at];
      if (c == Char('"') || !same) continue;
      if (matched == 0) {
        same = c == Char('/') || c == Char('-');
      } else if (matched <= 5) {
        const char letter = kQuiet[matched - 1];
        same = c == Char(letter) || c == Char(letter - 'a' + 'A');
      } else {
        same = false;
      }
      ++matched;
    }
    if (same && matched == 6) return true;
  }
  return false;
}

// The usage text: the switches and the exit codes, lines joined by CR LF.
std::string UsageText();
// What a box says about an argument that was not understood, followed by the usage.
std::string NotUnderstoodText(const std::string& argument);
// The arguments as one line for the log, each quoted where it holds a blank.
std::string QuotedArguments(std::span<const std::string> arguments);

}  // namespace tarnwell
