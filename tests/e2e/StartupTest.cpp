// What the program decides and does when it starts, seen from outside: the window's text,
// colour and buttons, the files and the trash afterwards, what regsvr32 was asked to do,
// and the exit code once the user has pressed OK.

#include <gtest/gtest.h>

#include <initializer_list>

#include "tests/e2e/Scenario.h"

namespace tarnwell::e2e {
namespace {

constexpr COLORREF kDarkBlue = 0xC00000;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x00C000;
constexpr COLORREF kOrange = 0x0080FF;

constexpr DWORD kCurrent = 0;
constexpr DWORD kNoReplacement = 1;
constexpr DWORD kFailed = 2;
constexpr DWORD kCancelled = 3;
constexpr DWORD kAlreadyRunning = 4;

std::wstring Lines(std::initializer_list<std::wstring_view> lines) {
  std::wstring text;
  for (auto line : lines) {
    if (!text.empty()) text += L"\r\n";
    text += line;
  }
  return text;
}

enum class Buttons { OkOnly, OkAndCancel };

// The window as the start-up check leaves it: text, colour as drawn (and no other label
// colour), buttons, topmost, and every control inside the window.
void ExpectShown(HWND window, const std::wstring& text, COLORREF colour, Buttons buttons, bool topmost = true) {
  ASSERT_NE(window, nullptr) << "the program showed no window";
  const WindowState state = ReadWindow(window);
  EXPECT_TRUE(state.visible);
  EXPECT_EQ(state.label.className, L"Static");
  EXPECT_EQ(state.label.text, text);
  EXPECT_TRUE(state.label.visible);
  EXPECT_TRUE(state.ok.visible);
  EXPECT_EQ(state.ok.text, L"&OK");
  EXPECT_EQ(state.cancel.text, L"&Cancel");
  EXPECT_EQ(state.cancel.visible, buttons == Buttons::OkAndCancel);
  if (topmost) {
    EXPECT_TRUE(state.topmost);
  }
  EXPECT_TRUE(state.rect.Contains(state.label.rect));
  EXPECT_TRUE(state.rect.Contains(state.ok.rect));
  if (state.cancel.visible) {
    EXPECT_TRUE(state.rect.Contains(state.cancel.rect));
  }

  const PixelCounts pixels = WaitForLabelColour(window, colour);
  EXPECT_GE(pixels.Of(colour), 30u) << "the label is not drawn in 0x" << std::hex << colour;
  for (COLORREF other : {kDarkBlue, kRed, kGreen, kOrange}) {
    if (other != colour) {
      EXPECT_EQ(pixels.Of(other), 0u) << "label pixels in 0x" << std::hex << other;
    }
  }
}

// Presses OK and returns the exit code (nothing if the program had to be killed).
std::optional<DWORD> PressOk(Program& program, HWND window) {
  EXPECT_TRUE(Click(window, kOkId));
  return program.WaitForExit();
}

struct LogLine {
  std::wstring verb, path, version;
};

LogLine Parse(const std::wstring& line) {
  const auto first = line.find(L' '), last = line.rfind(L' ');
  if (first == std::wstring::npos || first == last) return {line, {}, {}};
  return {line.substr(0, first), line.substr(first + 1, last - first - 1), line.substr(last + 1)};
}

// The regsvr32 calls the library saw, in order: verb and version, each for the installed path.
// regsvr32 may still be writing when the window shows, so the lines are awaited, not assumed.
void ExpectRegistrations(const Scenario& scenario,
                         const std::vector<std::pair<std::wstring, std::wstring>>& expected) {
  const ULONGLONG deadline = GetTickCount64() + kSettleTimeoutMs;
  while (scenario.RegistrationLog().size() < expected.size() && GetTickCount64() < deadline) Sleep(20);
  const auto log = scenario.RegistrationLog();
  ASSERT_EQ(log.size(), expected.size()) << "regsvr32 calls";
  for (std::size_t i = 0; i < log.size(); ++i) {
    SCOPED_TRACE(Narrow(log[i]));
    const LogLine line = Parse(log[i]);
    EXPECT_EQ(line.verb, expected[i].first);
    EXPECT_TRUE(SamePath(line.path, scenario.InstalledPath()));
    EXPECT_EQ(line.version, expected[i].second);
  }
}

// The trash holds exactly one file, the given fixture's bytes.
void ExpectTrashHolds(const Scenario& scenario, std::wstring_view fixture) {
  const auto trashed = scenario.TrashedFiles();
  ASSERT_EQ(trashed.size(), 1u) << "files in the trash";
  EXPECT_EQ(ReadBytes(scenario.TrashFilesFolder() + L"\\" + trashed[0]), Scenario::FixtureBytes(fixture));
}

std::wstring UpToDate(const std::wstring& installedVersion, const std::wstring& shippedPath,
                      const std::wstring& shippedVersion, bool deleted) {
  return Lines({L"The current Quandrel.dll Version: " + installedVersion, L"is upto date the", shippedPath,
                L"Quandrel.dll Version: " + shippedVersion, deleted ? L"has been deleted" : L"has NOT been deleted"});
}

std::wstring Updated(const std::wstring& from, const std::wstring& to) {
  return Lines({L"Quandrel.dll Version: " + from, L"has being updated to", L"Quandrel.dll Version: " + to});
}

// Answers the one "No version information available" box the program shows before its window.
void AnswerNoVersionBox(const Program& program) {
  const auto box = program.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << "no message box appeared";
  EXPECT_EQ(box->title, kMessageBoxTitle);
  EXPECT_EQ(box->text, L"No version information available");
  ASSERT_TRUE(AnswerMessageBox(*box));
}

// ---- up to date: the shipped copy goes, the installed copy stays ----

TEST(UpToDate, EqualVersionsSendTheShippedCopyToTheTrash) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, UpToDate(L"1.2.3.4", s.ShippedPath(), L"1.2.3.4", true), kRed, Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectTrashHolds(s, L"1.2.3.4");
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

TEST(UpToDate, NewerInstalledCopyIsKeptAndTheOlderShippedOneTrashed) {
  Scenario s;
  s.Install(L"1.2.3.5");
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, UpToDate(L"1.2.3.5", s.ShippedPath(), L"1.2.3.4", true), kRed, Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectTrashHolds(s, L"1.2.3.4");
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

TEST(UpToDate, FirstPartDecidesEvenWhenLaterPartsAreLower) {
  Scenario s;
  s.Install(L"2.0.0.0");
  s.Ship(L"1.9.9.9");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, UpToDate(L"2.0.0.0", s.ShippedPath(), L"1.9.9.9", true), kRed, Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"2.0.0.0"));
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

TEST(UpToDate, UnversionedShippedCopyIsReportedThenTrashed) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"unversioned");
  Program program = s.Start();
  AnswerNoVersionBox(program);
  HWND window = program.WaitForWindow();

  EXPECT_FALSE(program.WaitForMessageBox(0).has_value()) << "a second message box";
  ExpectShown(window, UpToDate(L"1.2.3.4", s.ShippedPath(), L"", true), kRed, Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectTrashHolds(s, L"unversioned");
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

TEST(UpToDate, UnreadableInstalledVersionKeepsTheShippedCopy) {
  Scenario s;
  s.Install(L"unversioned");
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  AnswerNoVersionBox(program);
  HWND window = program.WaitForWindow();

  EXPECT_FALSE(program.WaitForMessageBox(0).has_value()) << "a second message box";
  ExpectShown(window, UpToDate(L"", s.ShippedPath(), L"1.2.3.4", false), kRed, Buttons::OkOnly);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"unversioned"));
  EXPECT_EQ(PressOk(program, window), kFailed);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

// ---- fresh install: no installed copy yet ----

TEST(FreshInstall, MovesTheShippedCopyIntoTheSystemFolderAndRegistersIt) {
  Scenario s;
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Lines({L"Quandrel.dll ", L"Version: 1.2.3.4", L"Installed and registered"}), kGreen,
              Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  ExpectRegistrations(s, {{L"register", L"1.2.3.4"}});
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

TEST(FreshInstall, FailedRegistrationReportsRegSvr32sExitCode) {
  Scenario s;
  s.Ship(L"1.2.3.5-register-fails");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window,
              Lines({L"Quandrel.dll ", L"Version: 1.2.3.5", L"Installed but NOT REGISTERED", L"RegSvr32 exit code 5"}),
              kRed, Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.5-register-fails"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  ExpectRegistrations(s, {{L"register", L"1.2.3.5"}});
  EXPECT_EQ(PressOk(program, window), kFailed);
}

TEST(FreshInstall, MoveIntoAnUnwritableSystemFolderLeavesTheShippedCopy) {
  Scenario s;
  s.Ship(L"1.2.3.4");
  Scenario::Freeze frozen(s.SystemFolder());
  ASSERT_TRUE(frozen.Active()) << "cannot make the system folder immutable (chattr +i)";
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window,
              Lines({L"Quandrel.dll ", L"Version: ", L"NOT INSTALLED OR REGISTERED", L"SEE MANUAL INSTALLATION",
                     L"in the Fennick Help file"}),
              kRed, Buttons::OkOnly);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_FALSE(FileExists(s.InstalledPath()));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(PressOk(program, window), kFailed);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

TEST(FreshInstall, WorksFromAFolderWithNonAsciiCharacters) {
  ScenarioOptions options;
  options.folderSuffix = L"-Prüfung-日本";
  Scenario s(options);
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Lines({L"Quandrel.dll ", L"Version: 1.2.3.4", L"Installed and registered"}), kGreen,
              Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  ExpectRegistrations(s, {{L"register", L"1.2.3.4"}});
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

// ---- no replacement beside the program ----

TEST(ReplacementMissing, NothingInstalledEither) {
  Scenario s;
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Lines({L"No Quandrel.dll found at", s.ShippedPath()}), kRed, Buttons::OkOnly);
  EXPECT_FALSE(FileExists(s.InstalledPath()));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(PressOk(program, window), kNoReplacement);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

TEST(ReplacementMissing, InstalledCopyIsLeftAlone) {
  Scenario s;
  s.Install(L"1.2.3.4");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Lines({L"No Quandrel.dll found at", s.ShippedPath()}), kRed, Buttons::OkOnly);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(PressOk(program, window), kNoReplacement);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

// ---- an update is needed and no host runs: it happens before the window shows ----

TEST(UpdateDecision, PartAbove255ComparesAsANumber) {
  Scenario s;
  s.Install(L"1.0.0.0");
  s.Ship(L"1.0.0.300");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Updated(L"1.0.0.0", L"1.0.0.300"), kGreen, Buttons::OkOnly, /*topmost=*/false);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.0.0.300"));
  ExpectTrashHolds(s, L"1.0.0.0");
  ExpectRegistrations(s, {{L"unregister", L"1.0.0.0"}, {L"register", L"1.0.0.300"}});
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

TEST(UpdateDecision, TenIsNewerThanNine) {
  Scenario s;
  s.Install(L"1.2.9.0");
  s.Ship(L"1.2.10.0");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Updated(L"1.2.9.0", L"1.2.10.0"), kGreen, Buttons::OkOnly, /*topmost=*/false);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.10.0"));
  ExpectTrashHolds(s, L"1.2.9.0");
  ExpectRegistrations(s, {{L"unregister", L"1.2.9.0"}, {L"register", L"1.2.10.0"}});
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

// ---- an update is needed while the host runs: the user is asked first ----

TEST(ConfirmUpdate, RunningHostIsNotClosedUntilTheUserAgrees) {
  Scenario s;
  s.InstallHost();
  HWND host = s.StartHost();
  ASSERT_NE(host, nullptr);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window,
              Lines({L"The current Quandrel.dll ", L"Version: 1.2.3.4", L"Needs to be updated to", L"Version: 1.2.3.5",
                     L"This programme requires the Corvex IDE to be closed down",
                     L"Press 'OK' to Close the Corvex IDE and Update the Quandrel.dll",
                     L"Press 'Cancel' to Abort the Update of the Quandrel.dll"}),
              kDarkBlue, Buttons::OkAndCancel);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));

  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_TRUE(IsWindow(host));
  EXPECT_EQ(s.HostLog(), std::vector<std::wstring>{L"start \"" + s.HostPath() + L"\""});
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.RegistrationLog().empty());
}

// ---- one instance at a time ----

TEST(SingleInstance, SecondStartEndsWithoutAWindowOrAnyWork) {
  Scenario s;
  Program first = s.Start();
  HWND window = first.WaitForWindow();
  ASSERT_NE(window, nullptr);

  // A second instance that did run would install this copy.
  s.Ship(L"1.2.3.4");
  Program second = s.Start();
  EXPECT_EQ(second.WaitForWindow(), nullptr) << "the second instance showed a window";
  EXPECT_EQ(second.WaitForExit(), kAlreadyRunning);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_FALSE(FileExists(s.InstalledPath()));
  EXPECT_TRUE(s.RegistrationLog().empty());

  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(PressOk(first, window), kNoReplacement);
}

}  // namespace
}  // namespace tarnwell::e2e
