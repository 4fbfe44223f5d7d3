// Any arguments (the input split at NUL bytes) as a command line: the parser never crashes and
// what it answers follows from the arguments alone. A switch counts in any case, after "/" or
// "-"; quiet holds iff /quiet is among the arguments, even beside one not understood; a log
// file is always the argument right after a /log; a command line understood is switches and
// one log file only, whose name holds no quotation mark; an argument not understood is one of
// those given. The log's line of the arguments reads back as them. And the input as the rest of
// a whole command line: when the platform's rules for splitting (quotation marks, backslashes
// before them) give a /quiet argument, the line names /quiet as a word; no line without its
// letters (quotation marks aside) names it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/CommandLine.h"

using namespace tarnwell;

namespace {

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return lower;
}

// "/name" or "-name" in any case.
bool IsSwitch(std::string_view argument, std::string_view name) {
  return argument.size() == name.size() + 1 && (argument[0] == '/' || argument[0] == '-') &&
         Lower(argument.substr(1)) == name;
}

bool IsAnySwitch(std::string_view a) {
  return IsSwitch(a, "quiet") || IsSwitch(a, "closeide") || IsSwitch(a, "log") ||
         IsSwitch(a, "?") || IsSwitch(a, "help");
}

void Check(bool holds) {
  if (!holds) std::abort();
}

bool Blank(char c) { return c == ' ' || c == '\t'; }

// The arguments after the program's name as the platform splits them: blanks outside quotation
// marks end an argument; 2n backslashes before a mark give n and the mark opens or closes a
// quoted part, 2n+1 give n and a mark; "" inside a quoted part is one mark.
std::vector<std::string> SplitAsThePlatform(std::string_view rest) {
  std::vector<std::string> split;
  for (std::size_t at = 0;;) {
    while (at < rest.size() && Blank(rest[at])) ++at;
    if (at == rest.size()) return split;
    std::string argument;
    bool quoted = false;
    while (at < rest.size() && (quoted || !Blank(rest[at]))) {
      if (rest[at] == '\\') {
        std::size_t count = 0;
        while (at < rest.size() && rest[at] == '\\') ++count, ++at;
        const bool mark = at < rest.size() && rest[at] == '"';
        argument.append(mark ? count / 2 : count, '\\');
        if (mark && count % 2 == 1) argument += '"', ++at;
      } else if (rest[at] == '"') {
        if (quoted && at + 1 < rest.size() && rest[at + 1] == '"') {
          argument += '"';
          at += 2;
        } else {
          quoted = !quoted;
          ++at;
        }
      } else {
        argument += rest[at++];
      }
    }
    split.push_back(argument);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> arguments;
  if (size > 0) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    for (std::size_t at = 0;;) {
      const std::size_t end = input.find('\0', at);
      arguments.emplace_back(input.substr(at, end - at));
      if (end == std::string_view::npos) break;
      at = end + 1;
    }
  }
  const CommandLine line = ParseCommandLine(arguments);

  bool anyQuiet = false, anyCloseIde = false, anyHelp = false;
  for (const auto& a : arguments) {
    anyQuiet = anyQuiet || IsSwitch(a, "quiet");
    anyCloseIde = anyCloseIde || IsSwitch(a, "closeide");
    anyHelp = anyHelp || IsSwitch(a, "?") || IsSwitch(a, "help");
  }
  // A switch is never taken for a log file, so each holds wherever it stands, even beside an
  // argument not understood: a quiet run shows no box about it.
  Check(line.quiet == anyQuiet);
  Check(line.closeIde == anyCloseIde);
  Check(line.help == anyHelp);

  if (line.Understood()) {
    // Then every argument is a switch or the file after a /log.
    std::size_t logs = 0;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
      if (IsSwitch(arguments[i], "log")) {
        ++logs;
        Check(i + 1 < arguments.size());
        Check(line.logFile && *line.logFile == arguments[i + 1]);
        Check(!arguments[i + 1].empty() && !IsAnySwitch(arguments[i + 1]));
        ++i;
      } else {
        Check(IsAnySwitch(arguments[i]));
      }
    }
    Check(logs <= 1);
    Check(line.logFile.has_value() == (logs == 1));
  } else {
    // Named as it was given, or as "" when it was empty.
    bool found = false;
    for (const auto& a : arguments)
      found = found || line.notUnderstood == a || (a.empty() && line.notUnderstood == "\"\"");
    Check(found);
  }
  if (line.logFile) {
    // Only ever the argument right after a /log.
    bool after = false;
    for (std::size_t i = 1; i < arguments.size(); ++i)
      after = after || (arguments[i] == *line.logFile && IsSwitch(arguments[i - 1], "log"));
    Check(after);
  }

  // A name with a quotation mark is never taken for the log file.
  if (line.logFile) Check(line.logFile->find('"') == std::string::npos);
  for (std::size_t i = 0; i + 1 < arguments.size(); ++i)
    if (IsSwitch(arguments[i], "log") && arguments[i + 1].find('"') != std::string::npos &&
        !IsAnySwitch(arguments[i + 1]))
      Check(!line.Understood());

  // The input as the rest of a whole command line (NUL bytes as blanks).
  {
    std::string rest(reinterpret_cast<const char*>(data), size);
    std::replace(rest.begin(), rest.end(), '\0', ' ');
    const std::string whole = "\"C:\\Program Files\\Tarnwell\\TarnwellUpdate.exe\" " + rest;
    const bool named = NamesQuiet<char>(whole);
    bool split = false;
    for (const auto& a : SplitAsThePlatform(rest)) split = split || IsSwitch(a, "quiet");
    if (split) Check(named);
    // Marks aside, a line without the word's letters never names it.
    std::string letters = Lower(rest);
    std::erase(letters, '"');
    if (letters.find("quiet") == std::string::npos) Check(!named);
    // Named in the line, the run is quiet whatever the arguments were.
    Check(ParseCommandLine(arguments, named).quiet == (anyQuiet || named));
  }

  // The log's line of arguments reads back as the arguments, as long as none holds a quotation
  // mark: one per argument, in order, quoted where it is empty or holds a blank or a tab.
  const std::string quoted = QuotedArguments(arguments);
  bool marks = false;
  for (const auto& a : arguments) marks = marks || a.find('"') != std::string::npos;
  if (!marks) {
    std::vector<std::string> read;
    for (std::size_t at = 0; at < quoted.size();) {
      if (quoted[at] == '"') {
        const std::size_t end = quoted.find('"', at + 1);
        Check(end != std::string::npos);
        read.push_back(quoted.substr(at + 1, end - at - 1));
        at = end + 1;
      } else {
        const std::size_t end = std::min(quoted.find_first_of(" \t", at), quoted.size());
        read.push_back(quoted.substr(at, end - at));
        at = end;
      }
      if (at < quoted.size()) {
        Check(quoted[at] == ' ');
        ++at;
        Check(at < quoted.size());
      }
    }
    Check(read == arguments);
  }
  return 0;
}
