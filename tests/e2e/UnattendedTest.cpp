// Runs started by deployment tools, seen from outside: /quiet never shows a window or a box from
// start to end and ends with the exit code the window would give; /closeide closes the IDE
// instead of asking; /log writes every decision and step, stamped, in UTF-8 with CR LF; a
// command line not understood or a log that cannot be written changes nothing, and so does a
// log name that leads to another file (a link, a linked folder, a second hard link), which is
// never written or created; a /quiet that the splitting took into a log's name still holds. A
// run with the window and /log writes the same lines as the quiet run, plus what the user did.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

using tarnwell::testing::ReadTextFile;
using tarnwell::testing::WriteTextFile;

constexpr DWORD kNotUnderstood = 5;
// The quiet run gives an IDE that stays open a minute; this is that and room to end.
constexpr DWORD kRefusingIdeTimeoutMs = 100'000;

// ---- the log ----

// Now, as the program stamps its lines: UTC, to the millisecond.
std::string UtcStamp() {
  SYSTEMTIME now{};
  GetSystemTime(&now);
  std::array<char, 32> text{};
  std::snprintf(text.data(), text.size(), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", now.wYear,
                now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds);
  return text.data();
}

bool IsStamp(const std::string& text) {
  constexpr std::string_view kPattern = "dddd-dd-ddTdd:dd:dd.dddZ";
  if (text.size() != kPattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool digit = text[i] >= '0' && text[i] <= '9';
    if (kPattern[i] == 'd' ? !digit : text[i] != kPattern[i]) return false;
  }
  return true;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += "\n  " + line;
  return text;
}

std::string Joined(const std::vector<std::wstring>& lines) {
  std::vector<std::string> narrow;
  for (const auto& line : lines) narrow.push_back(Narrow(line));
  return Joined(narrow);
}

// The texts of a log's lines. Each line must be "<stamp>  <text>" ended by CR LF, with a stamp
// taken between `from` and `to` (ISO 8601 stamps sort as text).
std::vector<std::string> LogTexts(const std::string& content, const std::string& from,
                                  const std::string& to) {
  constexpr std::size_t kStampLength = 24;
  std::vector<std::string> texts;
  for (std::size_t at = 0; at < content.size();) {
    const std::size_t end = content.find("\r\n", at);
    if (end == std::string::npos) {
      ADD_FAILURE() << "the log's last line has no CR LF: " << content.substr(at);
      break;
    }
    const std::string line = content.substr(at, end - at);
    at = end + 2;
    if (line.find_first_of("\r\n") != std::string::npos)
      ADD_FAILURE() << "a line break that is not CR LF in the log line: " << line;
    const std::string stamp = line.substr(0, kStampLength);
    if (line.size() < kStampLength + 2 || !IsStamp(stamp) ||
        line.compare(kStampLength, 2, "  ") != 0) {
      ADD_FAILURE() << "not \"<stamp>  <text>\": " << line;
      texts.push_back(line);
      continue;
    }
    if (stamp < from || stamp > to)
      ADD_FAILURE() << "stamped " << stamp << ", outside the run (" << from << " to " << to
                    << "): " << line;
    texts.push_back(line.substr(kStampLength + 2));
  }
  return texts;
}

// One expected log line; one ending in '*' stands for every line that begins with the rest.
bool Matches(const std::string& line, const std::string& expected) {
  if (!expected.empty() && expected.back() == '*')
    return line.starts_with(std::string_view(expected).substr(0, expected.size() - 1));
  return line == expected;
}

std::size_t CountStarting(const std::vector<std::string>& log, const std::string& prefix) {
  return static_cast<std::size_t>(std::count_if(
      log.begin(), log.end(), [&](const std::string& line) { return line.starts_with(prefix); }));
}

// The log of one run: it starts with the program's name, version and `arguments`, holds
// `expected` in this order (other lines may lie between), exactly one outcome, and ends with
// `exitCode`.
void ExpectLog(const std::vector<std::string>& log, const std::wstring& arguments,
               const std::vector<std::string>& expected, DWORD exitCode) {
  SCOPED_TRACE("the log:" + Joined(log));
  ASSERT_FALSE(log.empty()) << "nothing was logged";
  EXPECT_EQ(log.front(), "TarnwellUpdate 1.0.0.0 started; arguments: " + Narrow(arguments));
  EXPECT_EQ(CountStarting(log, "Outcome: "), 1u);
  EXPECT_EQ(log.back(), "Exit code " + std::to_string(exitCode));
  auto at = log.begin();
  for (const auto& line : expected) {
    const auto found =
        std::find_if(at, log.end(), [&](const std::string& l) { return Matches(l, line); });
    if (found == log.end()) {
      ADD_FAILURE() << "not logged (in this order): " << line;
      continue;
    }
    at = found + 1;
  }
}

// A status text as the log writes it: its lines joined by " | ".
std::string Status(const std::wstring& text) {
  std::string line = "Status: " + Narrow(text);
  for (std::size_t at; (at = line.find("\r\n")) != std::string::npos;) line.replace(at, 2, " | ");
  return line;
}

// ---- runs ----

struct QuietRun {
  std::optional<DWORD> exitCode;
  std::vector<std::string> log;  // the texts of the lines this run appended
};

// Runs the program with `arguments` (which hold /quiet) and checks that it showed no window and
// no box from its start until it had ended. `logPath`, when given, is read afterwards; what it
// held before the run (`before`) must be kept as it was.
QuietRun RunQuiet(Scenario& s, const std::wstring& arguments, const std::wstring& logPath = {},
                  DWORD timeoutMs = kExitTimeoutMs, const std::string& before = {}) {
  const std::string from = UtcStamp();
  Program program = s.Start(arguments);
  const Program::Unseen run = program.WaitForExitShowingNothing(timeoutMs);
  const std::string to = UtcStamp();
  EXPECT_TRUE(run.shown.empty()) << "a quiet run showed:" << Joined(run.shown);
  QuietRun result{run.exitCode, {}};
  if (logPath.empty()) return result;
  const auto content = ReadTextFile(logPath);
  if (!content) {
    ADD_FAILURE() << "no log at " << Narrow(logPath);
    return result;
  }
  if (!content->starts_with(before)) {
    ADD_FAILURE() << "what the log held before the run was not kept:\n" << *content;
    return result;
  }
  result.log = LogTexts(content->substr(before.size()), from, to);
  return result;
}

// The lines two runs of the same scenario must share: the user's part and boxes taken out, and
// the first line without the arguments.
std::vector<std::string> DecisionLines(std::vector<std::string> log) {
  std::erase_if(log, [](const std::string& line) {
    return line == "The user pressed OK" || line == "The user pressed Cancel" ||
           line == "The window was closed" || line.starts_with("Message box ");
  });
  if (!log.empty()) log.front() = log.front().substr(0, log.front().find("; arguments: "));
  return log;
}

std::wstring Quoted(const std::wstring& path) { return L"\"" + path + L"\""; }

// ---- what the files say ----

// The scenario's files as they were laid out: `installed` in the system folder (none when
// empty) and `shipped` beside the program; nothing registered, trashed or left half done.
void ExpectNothingChanged(const Scenario& s, const std::wstring& installed,
                          const std::wstring& shipped) {
  if (installed.empty())
    EXPECT_FALSE(FileExists(s.InstalledPath()));
  else
    EXPECT_TRUE(HoldsFixture(s.InstalledPath(), installed));
  EXPECT_TRUE(HoldsFixture(s.ShippedPath(), shipped));
  EXPECT_TRUE(s.RegistrationLog().empty()) << "regsvr32 ran:" << Joined(s.RegistrationLog());
  EXPECT_TRUE(s.TrashedFiles().empty()) << "trashed:" << Joined(s.TrashedFiles());
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
}

// The update from 1.2.3.4 to 1.2.3.5 happened: the new copy installed and registered after the
// old one was unregistered, the old one in the trash, nothing left beside the program.
void ExpectUpdated(const Scenario& s) {
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.5"));
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  ExpectTrashHolds(s, L"1.2.3.4");
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
}

// The log lines of the file work of an update from 1.2.3.4 to 1.2.3.5, in order.
std::vector<std::string> UpdateSteps(const Scenario& s) {
  const std::string installed = Narrow(s.InstalledPath());
  const std::string shipped = Narrow(s.ShippedPath());
  return {
      Status(InProgress()),
      "Copied " + shipped + " to " + installed + ".update-new",
      "Checked the copy: " + std::to_string(Scenario::FixtureBytes(L"1.2.3.5").size()) +
          " bytes, version 1.2.3.5",
      "Wrote the journal " + installed + ".update-journal",
      "Copied " + installed + " to " + installed + ".update-old",
      "regsvr32 /u /s " + installed + ": exit code 0",
      "Deleted the installed copy to the recycle bin",
      "Renamed " + installed + ".update-new to " + installed,
      "regsvr32 /s " + installed + ": exit code 0",
      "Removed " + shipped,
      "Removed " + installed + ".update-old",
      "Removed " + installed + ".update-journal",
      Status(Updated(L"1.2.3.4", L"1.2.3.5")),
  };
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<std::string> CopiesAtStart(const Scenario& s, const std::string& shipped,
                                       const std::string& installed) {
  return {"Shipped copy: " + Narrow(s.ShippedPath()) + shipped,
          "Installed copy: " + Narrow(s.InstalledPath()) + installed};
}

// ---- quiet runs, one per outcome at start ----

TEST(UnattendedQuiet, FreshInstallLogsInUtf8ToAFileNamedWithBlanksAndNonAsciiCharacters) {
  Scenario s({.folderSuffix = L"-Zürich-€"});
  s.Ship(L"1.2.3.5");
  const std::wstring logFolder = s.ProgramFolder() + L"\\Protokolle für den Betrieb";
  ASSERT_TRUE(tarnwell::testing::MakeFolder(logFolder));
  const std::wstring logPath = logFolder + L"\\Läufe der Woche ✓ ß.log";
  const std::wstring arguments = L"/quiet /log " + Quoted(logPath);

  const QuietRun run = RunQuiet(s, arguments, logPath);
  EXPECT_EQ(run.exitCode, kCurrent);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.5"));
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectRegistrations(s, {{L"register", L"1.2.3.5"}});
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));

  const std::string installed = Narrow(s.InstalledPath());
  const std::string shipped = Narrow(s.ShippedPath());
  ExpectLog(run.log, arguments,
            Concat(CopiesAtStart(s, ", version 1.2.3.5", " not found"),
                   {
                       "Outcome: install, no copy is installed",
                       "Copied " + shipped + " to " + installed + ".update-new",
                       "Checked the copy: *",
                       "Wrote the journal " + installed + ".update-journal",
                       "Renamed " + installed + ".update-new to " + installed,
                       "regsvr32 /s " + installed + ": exit code 0",
                       "Removed " + shipped,
                       "Removed " + installed + ".update-journal",
                       Status(Installed(L"1.2.3.5")),
                   }),
            kCurrent);
}

TEST(UnattendedQuiet, UpToDateDeletesTheShippedCopyAndAppendsToTheLogItFinds) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.4");
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
  const std::string earlier = "2026-01-01T00:00:00.000Z  a line of an earlier run\r\n";
  WriteTextFile(logPath, earlier);
  const std::wstring arguments = L"/QUIET -Log " + logPath;

  const QuietRun run = RunQuiet(s, arguments, logPath, kExitTimeoutMs, earlier);
  EXPECT_EQ(run.exitCode, kCurrent);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.4"));
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectTrashHolds(s, L"1.2.3.4");
  EXPECT_TRUE(s.RegistrationLog().empty()) << Joined(s.RegistrationLog());
  ExpectLog(run.log, arguments,
            Concat(CopiesAtStart(s, ", version 1.2.3.4", ", version 1.2.3.4"),
                   {
                       "Outcome: the installed copy is up to date",
                       "Deleted the shipped copy to the recycle bin",
                       Status(UpToDate(L"1.2.3.4", s.ShippedPath(), L"1.2.3.4", true)),
                   }),
            kCurrent);
}

TEST(UnattendedQuiet, NoShippedCopyEndsWithOneAndLeavesTheInstalledCopy) {
  Scenario s;
  s.Install(L"1.2.3.4");
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
  const std::wstring arguments = L"/log " + logPath + L" /quiet";

  const QuietRun run = RunQuiet(s, arguments, logPath);
  EXPECT_EQ(run.exitCode, kNoReplacement);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.4"));
  EXPECT_TRUE(s.RegistrationLog().empty()) << Joined(s.RegistrationLog());
  EXPECT_TRUE(s.TrashedFiles().empty());
  ExpectLog(run.log, arguments,
            Concat(CopiesAtStart(s, " not found", ", version 1.2.3.4"),
                   {"Outcome: no shipped copy", Status(Missing(s.ShippedPath()))}),
            kNoReplacement);
}

TEST(UnattendedQuiet, UpdateWithTheIdeClosedRunsAtOnceAndDoesNotStartTheIde) {
  Scenario s;
  s.InstallHost();  // installed, not running
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
  const std::wstring arguments = L"/quiet /log " + logPath;

  const QuietRun run = RunQuiet(s, arguments, logPath);
  EXPECT_EQ(run.exitCode, kCurrent);
  ExpectUpdated(s);
  EXPECT_TRUE(s.HostLog().empty()) << Joined(s.HostLog());
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 0u);
  ExpectLog(run.log, arguments,
            Concat(Concat(CopiesAtStart(s, ", version 1.2.3.5", ", version 1.2.3.4"),
                          {"Outcome: update, the Corvex IDE is not open"}),
                   UpdateSteps(s)),
            kCurrent);
  EXPECT_EQ(CountStarting(run.log, "Asked the Corvex IDE"), 0u);
  EXPECT_EQ(CountStarting(run.log, "Started the Corvex IDE"), 0u);
}

TEST(UnattendedQuiet, OpenIdeWithoutCloseIdeIsLeftRunningAndNothingChanges) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
  const std::wstring arguments = L"/quiet /log " + logPath;

  const QuietRun run = RunQuiet(s, arguments, logPath);
  EXPECT_EQ(run.exitCode, kCancelled);
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
  EXPECT_TRUE(IsWindow(host));
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s.HostPath())})
      << "the IDE was disturbed";
  EXPECT_FALSE(HostLogHas(s, L"close-request")) << "the IDE was asked to close";
  ExpectLog(run.log, arguments,
            Concat(CopiesAtStart(s, ", version 1.2.3.5", ", version 1.2.3.4"),
                   {"Outcome: update not run: the Corvex IDE is open and /closeide was not "
                    "given"}),
            kCancelled);
  EXPECT_EQ(CountStarting(run.log, "Asked the Corvex IDE"), 0u);
  EXPECT_EQ(CountStarting(run.log, "Copied "), 0u);
}

// ---- /closeide ----

// The IDE open, taking a moment to close, so that the program certainly waits for it.
HWND StageUpdateWithASlowIde(Scenario& s) {
  HostSettings host;
  host.mode = L"close-after";
  host.closeDelayMs = 1500;
  return StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", host);
}

// After a run that closed the IDE and started it again: both happened once, by its full path.
void ExpectIdeClosedAndStartedAgain(const Scenario& s, HWND firstIde) {
  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; }))
      << "the IDE was not started again:" << Joined(s.HostLog());
  EXPECT_FALSE(IsWindow(firstIde));
  EXPECT_EQ(HostLogCount(s, L"close-request"), 1u);
  EXPECT_TRUE(HostLogHas(s, L"window-gone"));
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>(2, StartedByFullPath(s.HostPath())));
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
}

TEST(UnattendedCloseIde, ClosesTheIdeUpdatesAndStartsItAgainQuietOrWithTheWindowLoggingTheSame) {
  std::vector<std::string> quietLog;
  {
    SCOPED_TRACE("quiet");
    Scenario s;
    HWND host = StageUpdateWithASlowIde(s);
    ASSERT_NE(host, nullptr);
    const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
    const std::wstring arguments = L"/quiet /closeide /log " + logPath;

    const QuietRun run = RunQuiet(s, arguments, logPath);
    EXPECT_EQ(run.exitCode, kCurrent);
    ExpectUpdated(s);
    ExpectIdeClosedAndStartedAgain(s, host);
    ExpectLog(run.log, arguments,
              Concat(Concat(CopiesAtStart(s, ", version 1.2.3.5", ", version 1.2.3.4"),
                            {
                                "Outcome: update, the Corvex IDE is open and may be closed "
                                "(/closeide)",
                                Status(Waiting()),
                                "Asked the Corvex IDE to close",
                                "Waiting for the Corvex IDE to close",
                                "The Corvex IDE has closed",
                            }),
                     Concat(UpdateSteps(s), {"Started the Corvex IDE again*"})),
              kCurrent);
    quietLog = run.log;
  }
  {
    SCOPED_TRACE("with the window");
    // The same scenario again, in the same folders.
    Scenario s;
    HWND host = StageUpdateWithASlowIde(s);
    ASSERT_NE(host, nullptr);
    const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
    const std::wstring arguments = L"/closeide /log " + logPath;
    const std::string from = UtcStamp();
    Program program = s.Start(arguments);
    HWND window = program.WaitForWindow();
    ASSERT_NE(window, nullptr);
    // Nobody presses OK on the offer: the update runs by itself.
    ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
    ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
    ExpectUpdated(s);
    ExpectIdeClosedAndStartedAgain(s, host);
    EXPECT_EQ(PressOk(program, window), kCurrent);
    const auto content = ReadTextFile(logPath);
    ASSERT_TRUE(content.has_value()) << "no log at " << Narrow(logPath);
    const std::vector<std::string> log = LogTexts(*content, from, UtcStamp());

    // The user's only part is the OK on the result, after the registration.
    SCOPED_TRACE("the log:" + Joined(log));
    EXPECT_EQ(std::count(log.begin(), log.end(), "The user pressed OK"), 1);
    const auto registered = std::find(log.begin(), log.end(),
                                      "regsvr32 /s " + Narrow(s.InstalledPath()) + ": exit code 0");
    const auto pressed = std::find(log.begin(), log.end(), "The user pressed OK");
    EXPECT_LT(registered, pressed) << "OK was pressed before the update ran";
    EXPECT_EQ(log.back(), "Exit code 0");
    EXPECT_EQ(DecisionLines(log), DecisionLines(quietLog))
        << "the quiet run's log:" << Joined(quietLog);
  }
}

TEST(UnattendedCloseIde, IdeThatStaysOpenForAMinuteIsLeftRunningAndNothingChanges) {
  Scenario s;
  HostSettings settings;
  settings.mode = L"refuse";
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", settings);
  ASSERT_NE(host, nullptr);
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
  const std::wstring arguments = L"/closeide /quiet /log " + logPath;

  const QuietRun run = RunQuiet(s, arguments, logPath, kRefusingIdeTimeoutMs);
  EXPECT_EQ(run.exitCode, kCancelled);
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
  EXPECT_TRUE(IsWindow(host));
  EXPECT_EQ(HostLogCount(s, L"close-refused"), 1u);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s.HostPath())});
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  ExpectLog(run.log, arguments,
            {"Outcome: update, the Corvex IDE is open and may be closed (/closeide)",
             "Asked the Corvex IDE to close", "Waiting for the Corvex IDE to close",
             "The Corvex IDE is still open after 60 s: nothing is changed"},
            kCancelled);
  EXPECT_EQ(CountStarting(run.log, "Copied "), 0u);
  EXPECT_EQ(CountStarting(run.log, "regsvr32 "), 0u);
}

// ---- command lines that change nothing ----

// The update from 1.2.3.4 to 1.2.3.5 with the IDE closed: any run that got going would change
// the files at once.
void StageUpdate(Scenario& s) {
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
}

// Runs the program with `arguments` and a window: it must show one message box and nothing
// else, which is answered; its text and the exit code.
std::pair<std::wstring, std::optional<DWORD>> RunToOneBox(Scenario& s,
                                                          const std::wstring& arguments) {
  Program program = s.Start(arguments);
  const auto box = program.WaitForMessageBox();
  if (!box) {
    ADD_FAILURE() << "no message box for " << Narrow(arguments);
    return {L"", program.WaitForExit()};
  }
  EXPECT_EQ(box->title, kMessageBoxTitle);
  EXPECT_EQ(program.VisibleWindows(), std::vector<HWND>{box->box}) << "more than the box shows";
  EXPECT_EQ(program.WaitForWindow(0), nullptr) << "the main window showed";
  EXPECT_TRUE(AnswerMessageBox(*box));
  return {box->text, program.WaitForExit()};
}

std::wstring ExpectedUsage() {
  return Lines({
      L"TarnwellUpdate.exe [/quiet] [/closeide] [/log <file>] [/?]",
      L"",
      L"/quiet      no window and no message box; ends as soon as the outcome is known",
      L"/closeide   close the Corvex IDE for the update without asking",
      L"/log <file> append every decision and step to <file> (UTF-8)",
      L"/?          show this text",
      L"",
      L"Exit codes:",
      L"0  the library is installed and current",
      L"1  no Quandrel.dll beside the program",
      L"2  the install, update or registration failed",
      L"3  the update was not run (cancelled, or the Corvex IDE stayed open)",
      L"4  another instance is running",
      L"5  the command line was not understood or the log could not be written",
  });
}

TEST(UnattendedCommandLine, UnknownSwitchEndsWithFiveQuietlyOrWithABoxNamingIt) {
  Scenario s;
  StageUpdate(s);
  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
  {
    SCOPED_TRACE("quiet");
    // Wherever /quiet stands, and however written, no box tells of the unknown switch.
    const QuietRun run = RunQuiet(s, L"/verbose /log " + logPath + L" -QUIET");
    EXPECT_EQ(run.exitCode, kNotUnderstood);
    EXPECT_FALSE(FileExists(logPath)) << "a log was begun";
  }
  {
    SCOPED_TRACE("with the window");
    const auto [text, exitCode] = RunToOneBox(s, L"/closeide /bogus");
    EXPECT_EQ(text, L"Not understood: /bogus\r\n\r\n" + ExpectedUsage());
    EXPECT_EQ(exitCode, kNotUnderstood);
  }
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
}

TEST(UnattendedCommandLine, LogInAFolderThatDoesNotExistEndsWithFiveAndChangesNothing) {
  Scenario s;
  StageUpdate(s);
  const std::wstring missingFolder = s.ProgramFolder() + L"\\no such folder";
  const std::wstring logPath = missingFolder + L"\\deploy.log";
  {
    SCOPED_TRACE("quiet");
    const QuietRun run = RunQuiet(s, L"/quiet /closeide /log " + Quoted(logPath));
    EXPECT_EQ(run.exitCode, kNotUnderstood);
  }
  {
    SCOPED_TRACE("with the window");
    const auto [text, exitCode] = RunToOneBox(s, L"/log " + Quoted(logPath));
    EXPECT_EQ(text, L"The log file could not be opened:\r\n" + logPath);
    EXPECT_EQ(exitCode, kNotUnderstood);
  }
  EXPECT_FALSE(tarnwell::testing::PathPresent(missingFolder)) << "the log's folder was made";
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
}

TEST(UnattendedCommandLine, HelpShowsTheUsageInABoxOrNothingWhenQuietAndChangesNothing) {
  Scenario s;
  StageUpdate(s);
  {
    SCOPED_TRACE("with the window");
    const auto [text, exitCode] = RunToOneBox(s, L"/?");
    EXPECT_EQ(text, ExpectedUsage());
    EXPECT_EQ(exitCode, kCurrent);
  }
  {
    SCOPED_TRACE("quiet");
    const QuietRun run = RunQuiet(s, L"-help /Quiet");
    EXPECT_EQ(run.exitCode, kCurrent);
  }
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
}

TEST(UnattendedCommandLine, AQuietAfterALogFolderEndingInABackslashShowsNothingAndEndsWithFive) {
  Scenario s;
  StageUpdate(s);
  // The backslash before the closing mark keeps the mark: the platform reads one argument,
  // <folder>\logs" /quiet, and no /quiet.
  const std::wstring logFolder = s.ProgramFolder() + L"\\logs";
  ASSERT_TRUE(tarnwell::testing::MakeFolder(logFolder));
  {
    SCOPED_TRACE("quiet");
    const QuietRun run = RunQuiet(s, L"/log " + Quoted(logFolder + L"\\") + L" /quiet");
    EXPECT_EQ(run.exitCode, kNotUnderstood);
  }
  {
    SCOPED_TRACE("with the window");
    // No valid path holds a quotation mark: the name is not understood, and says so.
    const std::wstring split = logFolder + L"\" /closeide";
    const auto [text, exitCode] =
        RunToOneBox(s, L"/log " + Quoted(logFolder + L"\\") + L" /closeide");
    EXPECT_EQ(text, L"Not understood: " + split + L"\r\n\r\n" + ExpectedUsage());
    EXPECT_EQ(exitCode, kNotUnderstood);
  }
  WIN32_FIND_DATAW found{};
  const platform::FindHandle search(FindFirstFileW((logFolder + L"\\*.*").c_str(), &found));
  std::vector<std::wstring> names;
  if (search) {
    do {
      if (std::wstring_view(found.cFileName) != L"." && std::wstring_view(found.cFileName) != L"..")
        names.push_back(found.cFileName);
    } while (FindNextFileW(search.get(), &found));
  }
  EXPECT_TRUE(names.empty()) << "written into the log folder:" << Joined(names);
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
}

// ---- the log, where an ordinary user may have laid its name ----

// A folder beside the scenario's, for links laid on the Linux side as a user could lay them in
// a folder of their own; removed with everything in it before and after (rm -r removes a link,
// never what it leads to), and so are the files named in the system folder.
class LinkFolder {
 public:
  explicit LinkFolder(const Scenario& s) : folder_(s.ProgramFolder() + L".links") {
    Clear();
    EXPECT_TRUE(tarnwell::testing::MakeFolder(folder_));
  }
  ~LinkFolder() {
    Clear();
    for (const auto& file : systemFiles_) DeleteFileW(file.c_str());
  }
  LinkFolder(const LinkFolder&) = delete;
  LinkFolder& operator=(const LinkFolder&) = delete;

  std::wstring Path(const std::wstring& name) const { return folder_ + L"\\" + name; }
  // A name in the system folder that is removed at the end, whatever the program did.
  std::wstring SystemFile(const Scenario& s, const std::wstring& name) {
    systemFiles_.push_back(s.SystemFolder() + L"\\" + name);
    DeleteFileW(systemFiles_.back().c_str());
    return systemFiles_.back();
  }
  // A symbolic link `name` here to `target` (which need not exist); false if it did not appear.
  bool Link(const std::wstring& name, const std::wstring& target) {
    const std::wstring made = Path(name + L".made");
    return Shell(L"ln -s '" + Widen(UnixPathOf(target)) + L"' '" + Widen(UnixPathOf(Path(name))) +
                     L"' && : > '" + Widen(UnixPathOf(made)) + L"'",
                 [&] { return tarnwell::testing::PathPresent(made); }) &&
           DeleteFileW(made.c_str());
  }

 private:
  // Runs a shell command on the Linux side and waits until `done`.
  static bool Shell(const std::wstring& command, const std::function<bool()>& done) {
    return RunUnix("/bin/sh", L"-c \"" + command + L"\"") && WaitUntil(done);
  }
  void Clear() {
    const std::wstring folder = folder_;
    if (!tarnwell::testing::PathPresent(folder)) return;
    EXPECT_TRUE(Shell(L"rm -rf '" + Widen(UnixPathOf(folder)) + L"'",
                      [&] { return !tarnwell::testing::PathPresent(folder); }))
        << "cannot remove " << Narrow(folder);
  }

  std::wstring folder_;
  std::vector<std::wstring> systemFiles_;
};

TEST(UnattendedLog, ALinkOrASecondNameOfAnotherFileIsRefusedWithFiveAndNothingIsTouched) {
  Scenario s;
  StageUpdate(s);
  LinkFolder links(s);
  const std::string protectedText = "[settings]\r\nkept=as it was\r\n";
  // A link to a file an ordinary user may not write.
  const std::wstring existing = links.SystemFile(s, L"TarnwellE2E-settings.ini");
  WriteTextFile(existing, protectedText);
  ASSERT_TRUE(links.Link(L"to-settings.log", existing));
  // A link to a file that does not exist, in the system folder, that would be run.
  const std::wstring planted = links.SystemFile(s, L"TarnwellE2E-planted.cmd");
  ASSERT_TRUE(links.Link(L"dangling.log", planted));
  // A linked folder: the system folder under another name.
  const std::wstring createdThere = links.SystemFile(s, L"TarnwellE2E-new.log");
  ASSERT_TRUE(links.Link(L"system", s.SystemFolder()));
  // A second hard link to a file: the same file under the user's name.
  const std::wstring kept = links.Path(L"kept.ini");
  WriteTextFile(kept, protectedText);
  ASSERT_TRUE(CreateHardLinkW(links.Path(L"second.log").c_str(), kept.c_str(), nullptr));

  const std::wstring logs[] = {links.Path(L"to-settings.log"), links.Path(L"dangling.log"),
                               links.Path(L"system\\TarnwellE2E-new.log"),
                               links.Path(L"SYSTEM\\TarnwellE2E-settings.ini"),
                               links.Path(L"second.log")};
  for (const std::wstring& log : logs) {
    SCOPED_TRACE(Narrow(log));
    const QuietRun run = RunQuiet(s, L"/quiet /closeide /log " + Quoted(log));
    EXPECT_EQ(run.exitCode, kNotUnderstood);
    EXPECT_EQ(ReadTextFile(existing), std::optional<std::string>(protectedText));
    EXPECT_FALSE(tarnwell::testing::PathPresent(planted)) << "the link's target was created";
    EXPECT_FALSE(tarnwell::testing::PathPresent(createdThere)) << "left in the system folder";
    EXPECT_EQ(ReadTextFile(kept), std::optional<std::string>(protectedText));
  }
  {
    SCOPED_TRACE("with the window");
    const auto [text, exitCode] = RunToOneBox(s, L"/log " + Quoted(logs[0]));
    EXPECT_EQ(text, L"The log file is a link or a second name of a file, and was not opened:\r\n" +
                        logs[0]);
    EXPECT_EQ(exitCode, kNotUnderstood);
    EXPECT_EQ(ReadTextFile(existing), std::optional<std::string>(protectedText));
  }
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
}

TEST(UnattendedLog, APlainLogIsTheSameFileByARelativePathAShortNameOrInAnyCase) {
  Scenario s;
  s.Install(L"1.2.3.4");  // nothing shipped: every run ends with 1 and changes nothing
  const std::wstring logPath = s.ProgramFolder() + L"\\Deploy Log.txt";
  wchar_t shortFolder[MAX_PATH] = {};
  ASSERT_NE(GetShortPathNameW(s.ProgramFolder().c_str(), shortFolder, MAX_PATH), 0u);
  ASSERT_NE(std::wstring(shortFolder), s.ProgramFolder()) << "the folder has no short name";
  std::wstring upper = logPath;
  CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
  // The program runs in the scenario's root, the program folder's parent.
  const std::wstring relative = logPath.substr(logPath.rfind(L'\\', logPath.rfind(L'\\') - 1) + 1);
  const std::wstring spellings[] = {logPath, relative,
                                    std::wstring(shortFolder) + L"\\Deploy Log.txt", upper,
                                    L"\\\\?\\" + logPath};
  std::string before;
  for (const std::wstring& spelling : spellings) {
    SCOPED_TRACE(Narrow(spelling));
    const std::wstring arguments = L"/quiet /log " + Quoted(spelling);
    const QuietRun run = RunQuiet(s, arguments, logPath, kExitTimeoutMs, before);
    EXPECT_EQ(run.exitCode, kNoReplacement);
    ExpectLog(run.log, arguments, {"Outcome: no shipped copy"}, kNoReplacement);
    before = ReadTextFile(logPath).value_or(std::string{});
  }
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.4"));
}

TEST(UnattendedLog, ANameWithALoneSurrogateIsThatNameAndNeverTheOneWithTheReplacement) {
  Scenario s;
  StageUpdate(s);
  // A name the program once took for its neighbour with U+FFFD in the surrogate's place.
  const std::wstring lone = s.ProgramFolder() + L"\\deploy-\xD800.log";
  const std::wstring replaced = s.ProgramFolder() + L"\\deploy-\uFFFD.log";
  const QuietRun run = RunQuiet(s, L"/quiet /log " + Quoted(lone));
  EXPECT_FALSE(tarnwell::testing::PathPresent(replaced)) << "the log went to another name";
  if (tarnwell::testing::PathPresent(lone)) {
    // Where the file system keeps such a name, the run goes on and logs there.
    EXPECT_EQ(run.exitCode, kCurrent);
  } else {
    // Wine keeps none: the log cannot be opened, and nothing changes.
    EXPECT_EQ(run.exitCode, kNotUnderstood);
    ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
  }
}

// ---- one instance ----

TEST(UnattendedSecondInstance, QuietSecondInstanceEndsWithFourAndLogsWhy) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  Program first = s.Start();
  HWND window = first.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  const std::wstring logPath = s.ProgramFolder() + L"\\deploy.log";
  const std::wstring arguments = L"/quiet /closeide /log " + logPath;
  const QuietRun second = RunQuiet(s, arguments, logPath);
  EXPECT_EQ(second.exitCode, kAlreadyRunning);
  SCOPED_TRACE("the log:" + Joined(second.log));
  ASSERT_FALSE(second.log.empty());
  EXPECT_EQ(second.log.front(), "TarnwellUpdate 1.0.0.0 started; arguments: " + Narrow(arguments));
  EXPECT_EQ(std::count(second.log.begin(), second.log.end(),
                       "Another instance is running: nothing is done"),
            1);
  EXPECT_EQ(second.log.back(), "Exit code 4");
  EXPECT_EQ(HostLogCount(s, L"close-request"), 0u) << "the second instance asked the IDE";

  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(first.WaitForExit(), kCancelled);
  ExpectNothingChanged(s, L"1.2.3.4", L"1.2.3.5");
  EXPECT_TRUE(IsWindow(host));
}

}  // namespace
}  // namespace tarnwell::e2e
