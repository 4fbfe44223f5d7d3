#include "app/CommandLine.h"

#include <algorithm>
#include <string_view>

#include "app/Fill.h"

namespace tarnwell {
namespace {

enum class Switch { None, Quiet, CloseIde, Log, Help };

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

Switch SwitchOf(std::string_view argument) {
  if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-')) return Switch::None;
  const std::string_view name = argument.substr(1);
  if (SameText(name, "quiet")) return Switch::Quiet;
  if (SameText(name, "closeide")) return Switch::CloseIde;
  if (SameText(name, "log")) return Switch::Log;
  if (name == "?" || SameText(name, "help")) return Switch::Help;
  return Switch::None;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string> arguments, bool quietNamed) {
  CommandLine line;
  line.quiet = quietNamed;
  // Read to the end even past an argument not understood: /quiet must hold wherever it stands.
  const auto notUnderstood = [&line](const std::string& argument) {
    if (line.notUnderstood.empty()) line.notUnderstood = argument.empty() ? "\"\"" : argument;
  };
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    switch (SwitchOf(argument)) {
      case Switch::Quiet:
        line.quiet = true;
        break;
      case Switch::CloseIde:
        line.closeIde = true;
        break;
      case Switch::Help:
        line.help = true;
        break;
      case Switch::Log: {
        // The file name follows; a switch there means it was left out.
        const bool named = i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                           SwitchOf(arguments[i + 1]) == Switch::None;
        if (!named || line.logFile) {
          notUnderstood(argument);
          break;
        }
        const std::string& file = arguments[++i];
        if (file.find('"') != std::string::npos) {
          notUnderstood(file);
          break;
        }
        line.logFile = file;
        break;
      }
      case Switch::None:
        // An empty argument ("") is as much a stray word as any other.
        notUnderstood(argument);
        break;
    }
  }
  return line;
}

std::string UsageText() {
  return "TarnwellUpdate.exe [/quiet] [/closeide] [/log <file>] [/?]\r\n"
         "\r\n"
         "/quiet      no window and no message box; ends as soon as the outcome is known\r\n"
         "/closeide   close the Corvex IDE for the update without asking\r\n"
         "/log <file> append every decision and step to <file> (UTF-8)\r\n"
         "/?          show this text\r\n"
         "\r\n"
         "Exit codes:\r\n"
         "0  the library is installed and current\r\n"
         "1  no Quandrel.dll beside the program\r\n"
         "2  the install, update or registration failed\r\n"
         "3  the update was not run (cancelled, or the Corvex IDE stayed open)\r\n"
         "4  another instance is running\r\n"
         "5  the command line was not understood or the log could not be written";
}

std::string NotUnderstoodText(const std::string& argument) {
  return Fill("Not understood: %1\r\n\r\n%2", {argument, UsageText()});
}

std::string QuotedArguments(std::span<const std::string> arguments) {
  std::string line;
  for (const std::string& argument : arguments) {
    if (!line.empty()) line += ' ';
    const bool quote = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
    line += quote ? "\"" + argument + "\"" : argument;
  }
  return line;
}

}  // namespace tarnwell
