#pragma once
// Program-wide state, the fixed names and texts, path building and the version comparison.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/NativeHandles.h"
#include "app/VersionInfo.h"

namespace tarnwell {

// What the process answers to whoever started it.
enum class ExitCode : int {
  Current = 0,         // the library is installed and current
  NoReplacement = 1,   // no new copy beside the program
  Failed = 2,          // an install, update or registration failed
  Cancelled = 3,       // an offered update was not run: cancelled, or the IDE stayed open
  AlreadyRunning = 4,  // another instance is running
  NotUnderstood = 5,   // the command line was not understood or the log could not be written
};

// How a run of the registration tool ended.
struct RegistrationResult {
  enum class Kind { Finished, NotStarted, TimedOut } kind = Kind::Finished;
  std::uint32_t exitCode = 0;
  bool Succeeded() const { return kind == Kind::Finished && exitCode == 0; }
};

namespace modDllUp {

inline constexpr char kDllName[] = "Quandrel.dll";
inline constexpr char kIdeCaption[] = "Corvex IDE";
inline constexpr char kIdeExecutable[] = "CorvexIDE\\CorvexIDE.exe";
inline constexpr char kRegSvr32[] = "regsvr32.exe";
inline constexpr char kRegisterSwitches[] = "/s";
inline constexpr char kUnregisterSwitches[] = "/u /s";
inline constexpr char kNewLine[] = "\r\n";

// The lines of a status text, the pieces between CR LF pairs; for UTF-8 and UTF-16 alike.
template <typename Char>
std::vector<std::basic_string_view<Char>> SplitLines(std::basic_string_view<Char> text) {
  constexpr Char kBreak[] = {Char('\r'), Char('\n'), Char(0)};
  std::vector<std::basic_string_view<Char>> lines;
  for (;;) {
    const auto end = text.find(kBreak);
    lines.push_back(text.substr(0, end));
    if (end == std::basic_string_view<Char>::npos) return lines;
    text.remove_prefix(end + 2);
  }
}

// A status text as a screen reader is given it: its lines on one line, each after a single
// blank, without the blanks that only pad a line and without the empty lines. The shown text
// keeps its line breaks for the eye; read aloud or on a braille line, they are noise.
template <typename Char>
std::basic_string<Char> OneLineToRead(std::basic_string_view<Char> text) {
  std::basic_string<Char> read;
  for (auto line : SplitLines(text)) {
    while (!line.empty() && line.front() == Char(' ')) line.remove_prefix(1);
    while (!line.empty() && line.back() == Char(' ')) line.remove_suffix(1);
    if (line.empty()) continue;
    if (!read.empty()) read += Char(' ');
    read += line;
  }
  return read;
}

// Label colours, 0xBBGGRR.
inline constexpr std::uint32_t kDarkBlue = 0xC00000;
inline constexpr std::uint32_t kRed = 0x0000FF;
inline constexpr std::uint32_t kGreen = 0x00C000;
inline constexpr std::uint32_t kOrange = 0x0080FF;

struct SharedState {
  std::string SystemDllVersion;
  std::vector<std::string> SystemVersionParts;
  // Parts reach 65535, so each is held in 16 bits.
  std::array<std::uint16_t, 4> SystemVersionBytes{};
  std::string NewDllVersion;
  std::vector<std::string> NewVersionParts;
  std::array<std::uint16_t, 4> NewVersionBytes{};
  std::string SystemDllPath;
  std::string NewDllPath;
  // The shipped copy's size as it was checked; what is installed must match it.
  std::optional<std::uint64_t> NewDllSize;
  VersionInfo LastVersionInfo;
  NativeWindow MainWindowHandle = 0;
};

// `folder` with a "\" appended unless it already ends in one; "" becomes "\".
std::string WithTrailingBackslash(std::string folder);
// The folder part of `path`: everything before the last "\" ("" when there is none); a drive
// root keeps its "\", since "C:" alone would mean the drive's current folder.
std::string FolderOf(std::string_view path);
// `name` inside `folder`; "" when the folder is unknown (""), never a path on the drive's root.
std::string PathIn(const std::string& folder, std::string_view name);

// "1.2.3.4" -> {"1","2","3","4"}; "" -> {}; every "." splits.
std::vector<std::string> SplitVersion(std::string_view version);

// A decimal part from 0 to 65535; nothing for anything else.
std::optional<std::uint16_t> ParseVersionPart(std::string_view part);

// Splits both versions into `state`'s parts and converts the pairs up to the first that
// differs. True when the installed copy is older. Versions that are not four parts, or a
// part reached that is not a number, leave the answer false.
bool InstalledCopyIsOlder(SharedState& state);

// True when `version` is four decimal parts, i.e. was read from a version resource.
bool IsReadableVersion(std::string_view version);

// The registration tool's command line: its quoted full path, the switches, the quoted library.
// The program is "" when the system directory is unknown.
std::string RegSvr32Program(const std::string& systemDirectory);
std::string RegSvr32CommandLine(const std::string& systemDirectory, const std::string& switches,
                                const std::string& libraryPath);

// The status texts. Lines are joined by CR LF, with none after the last.
std::string JoinLines(std::initializer_list<std::string_view> lines);
std::string MessageConfirmUpdate(const SharedState& s);                               // dark blue
std::string MessageUpToDate(const SharedState& s, bool deleted, bool kept);           // red
std::string MessageInstalled(const SharedState& s);                                   // green
std::string MessageNotInstalled(const SharedState& s);                                // red
std::string MessageNotRegistered(const SharedState& s, const RegistrationResult& r);  // red
std::string MessageReplacementMissing(const SharedState& s);                          // red
std::string MessageWaitingForIde();                                                   // orange
std::string MessageUpdateInProgress();
std::string MessageUpdateFailed();                 // red
std::string MessageUpdated(const SharedState& s);  // green
std::string MessageUpdatedNotRegistered(const SharedState& s, const RegistrationResult& r);
std::string MessageRestored(const SharedState& s, bool restored);  // red
// The new copy could not be put into the system folder beside the older one.
std::string MessageNotCopied(const SharedState& s);  // red
// The shipped copy is no longer what was checked; `update` when an older copy is installed.
std::string MessageChanged(const SharedState& s, bool update);  // red
std::string MessageNoBackup(const SharedState& s);              // red
std::string MessageNoSystemFolder();                            // red
// Appended to an outcome when the closed IDE could not be started again.
inline constexpr char kStartIdeAgain[] = "Please start the Corvex IDE again";
// "RegSvr32 exit code N", "RegSvr32 could not be started" or "RegSvr32 did not finish".
std::string RegistrationLine(const RegistrationResult& r);

}  // namespace modDllUp
}  // namespace tarnwell
