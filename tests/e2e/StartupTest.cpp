// What the program decides and does when it starts, seen from outside: the window's text,
// colour and buttons, the files and the trash afterwards, what regsvr32 was asked to do,
// and the exit code once the user has pressed OK.

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <string_view>

#include "platform/WindowContract.h"
#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

// The window as the start-up check leaves it: text, colour as drawn (and no other label
// colour), buttons, topmost, and every control inside the window.
void ExpectShown(HWND window, const std::wstring& text, COLORREF colour, Buttons buttons,
                 bool topmost = true) {
  ASSERT_NE(window, nullptr) << "the program showed no window";
  ExpectWindow(window, text, colour, buttons);
  const WindowState state = ReadWindow(window);
  EXPECT_EQ(state.label.className, L"Static");
  EXPECT_TRUE(state.label.visible);
  EXPECT_EQ(state.ok.text, L"&OK");
  EXPECT_EQ(state.cancel.text, L"&Cancel");
  if (topmost) {
    EXPECT_TRUE(state.topmost);
  }
  EXPECT_TRUE(state.rect.Contains(state.label.rect));
  EXPECT_TRUE(state.rect.Contains(state.ok.rect));
  if (state.cancel.visible) {
    EXPECT_TRUE(state.rect.Contains(state.cancel.rect));
  }
}

// The regsvr32 calls the library saw, in order: verb and version, each for the installed path.
// regsvr32 may still be writing when the window shows, so the lines are awaited, not assumed.
void ExpectRegistrationsOnceLogged(const Scenario& scenario, const ExpectedCalls& expected) {
  WaitUntil([&] { return scenario.RegistrationLog().size() >= expected.size(); });
  ExpectRegistrations(scenario, expected);
}

// Answers the one "No version information available" box the program shows before its window.
void AnswerNoVersionBox(const Program& program) {
  const auto box = program.WaitForMessageBox();
  ASSERT_TRUE(box.has_value()) << "no message box appeared";
  EXPECT_EQ(box->title, kMessageBoxTitle);
  EXPECT_EQ(box->text, kNoVersionBox);
  ASSERT_TRUE(AnswerMessageBox(*box));
}

// ---- up to date: the shipped copy goes, the installed copy stays ----

// The shipped copy is not newer: it goes to the trash and nothing is registered.
void ExpectShippedCopyTrashed(const std::wstring& installed, const std::wstring& shipped) {
  Scenario s;
  s.Install(installed);
  s.Ship(shipped);
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, UpToDate(installed, s.ShippedPath(), shipped, true), kRed, Buttons::Ok);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  ExpectTrashHolds(s, shipped);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(installed));
  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

TEST(UpToDate, EqualVersionsSendTheShippedCopyToTheTrash) {
  ExpectShippedCopyTrashed(L"1.2.3.4", L"1.2.3.4");
}

TEST(UpToDate, NewerInstalledCopyIsKeptAndTheOlderShippedOneTrashed) {
  ExpectShippedCopyTrashed(L"1.2.3.5", L"1.2.3.4");
}

TEST(UpToDate, FirstPartDecidesEvenWhenLaterPartsAreLower) {
  Scenario s;
  s.Install(L"2.0.0.0");
  s.Ship(L"1.9.9.9");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, UpToDate(L"2.0.0.0", s.ShippedPath(), L"1.9.9.9", true), kRed, Buttons::Ok);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"2.0.0.0"));
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

// A shipped copy without a readable version proves nothing about the installed one: it is kept.
TEST(UpToDate, UnversionedShippedCopyIsReportedAndKept) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"unversioned");
  Program program = s.Start();
  AnswerNoVersionBox(program);
  HWND window = program.WaitForWindow();

  EXPECT_FALSE(program.WaitForMessageBox(0).has_value()) << "a second message box";
  ExpectShown(window, UpToDate(L"1.2.3.4", s.ShippedPath(), L"", false), kRed, Buttons::Ok);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"unversioned"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(PressOk(program, window), kFailed);
}

TEST(UpToDate, UnreadableInstalledVersionKeepsTheShippedCopy) {
  Scenario s;
  s.Install(L"unversioned");
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  AnswerNoVersionBox(program);
  HWND window = program.WaitForWindow();

  EXPECT_FALSE(program.WaitForMessageBox(0).has_value()) << "a second message box";
  ExpectShown(window, UpToDate(L"", s.ShippedPath(), L"1.2.3.4", false), kRed, Buttons::Ok);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"unversioned"));
  EXPECT_EQ(PressOk(program, window), kFailed);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

// ---- fresh install: no installed copy yet ----

// 1.2.3.4 shipped, nothing installed, the program in a folder made with `options`.
void ExpectFreshInstall(const ScenarioOptions& options) {
  Scenario s(options);
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Installed(L"1.2.3.4"), kGreen, Buttons::Ok);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  ExpectRegistrationsOnceLogged(s, {{L"register", L"1.2.3.4"}});
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

TEST(FreshInstall, MovesTheShippedCopyIntoTheSystemFolderAndRegistersIt) { ExpectFreshInstall({}); }

TEST(FreshInstall, SlowRegistrationRunsWithTheWindowShowingTheWork) {
  Scenario s;
  s.Ship(L"1.2.3.4");
  const EnvironmentOverride slow(L"QUANDREL_REGISTER_DELAY_MS", L"3000");
  const ULONGLONG started = GetTickCount64();
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  const ULONGLONG shownAfter = GetTickCount64() - started;
  // Read at once: the registration has not ended, so the window shows the work.
  const WindowState working = ReadWindow(window);
  const auto registrationsThen = Registrations(s);
  std::cout << "the window showed " << shownAfter << " ms after the start\n";
  ASSERT_TRUE(registrationsThen.empty() || registrationsThen.back().verb == L"register-begin")
      << "the window appeared only after the registration";
  EXPECT_TRUE(working.visible);
  EXPECT_EQ(working.label.text, InProgress());
  EXPECT_FALSE(working.ok.visible);
  EXPECT_FALSE(working.cancel.visible);
  ExpectLabelDrawnIn(window, kDarkBlue);

  ExpectShown(window, Installed(L"1.2.3.4"), kGreen, Buttons::Ok);
  ExpectRegistrationsOnceLogged(s, {{L"register-begin", L"1.2.3.4"}, {L"register", L"1.2.3.4"}});
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

TEST(FreshInstall, FailedRegistrationReportsRegSvr32sExitCode) {
  Scenario s;
  s.Ship(L"1.2.3.5-register-fails");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, InstalledNotRegistered(L"1.2.3.5", 5), kRed, Buttons::Ok);
  // Kept beside the program until a copy of it is registered.
  EXPECT_TRUE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.5-register-fails"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  ExpectRegistrationsOnceLogged(s, {{L"register", L"1.2.3.5"}});
  EXPECT_EQ(PressOk(program, window), kFailed);
}

TEST(FreshInstall, MoveIntoAnUnwritableSystemFolderLeavesTheShippedCopy) {
  Scenario s;
  s.Ship(L"1.2.3.4");
  Scenario::Freeze frozen(s.SystemFolder());
  ASSERT_TRUE(frozen.Active()) << "cannot make the system folder immutable (chattr +i)";
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, NotInstalled(), kRed, Buttons::Ok);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_FALSE(FileExists(s.InstalledPath()));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(PressOk(program, window), kFailed);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

TEST(FreshInstall, WorksFromAFolderWithNonAsciiCharacters) {
  ScenarioOptions options;
  options.folderSuffix = L"-Prüfung-日本";
  ExpectFreshInstall(options);
}

// ---- no replacement beside the program ----

TEST(ReplacementMissing, NothingInstalledEither) {
  Scenario s;
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Missing(s.ShippedPath()), kRed, Buttons::Ok);
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

  ExpectShown(window, Missing(s.ShippedPath()), kRed, Buttons::Ok);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(PressOk(program, window), kNoReplacement);
  EXPECT_TRUE(s.RegistrationLog().empty());
}

// ---- an update is needed and no host runs: it happens before the window shows ----

void ExpectUpdatedAtOnce(const std::wstring& installed, const std::wstring& shipped) {
  Scenario s;
  s.Install(installed);
  s.Ship(shipped);
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ExpectShown(window, Updated(installed, shipped), kGreen, Buttons::Ok, /*topmost=*/false);
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(shipped));
  ExpectTrashHolds(s, installed);
  ExpectRegistrationsOnceLogged(s, {{L"unregister", installed}, {L"register", shipped}});
  EXPECT_EQ(PressOk(program, window), kCurrent);
}

TEST(UpdateDecision, PartAbove255ComparesAsANumber) {
  ExpectUpdatedAtOnce(L"1.0.0.0", L"1.0.0.300");
}

TEST(UpdateDecision, TenIsNewerThanNine) { ExpectUpdatedAtOnce(L"1.2.9.0", L"1.2.10.0"); }

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

  ExpectShown(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));

  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_TRUE(IsWindow(host));
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s.HostPath())});
  EXPECT_FALSE(HostLogHas(s, L"close-request"));
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

// A plain window of the driver's own, to hold the foreground while the program's is minimised.
class DriverWindow {
 public:
  DriverWindow() {
    window_.reset(CreateWindowExW(0, L"Static", L"Elsewhere", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40,
                                  40, 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr),
                                  nullptr));
  }
  HWND get() const { return window_.get(); }
  // Handles what other threads send it: a change of the foreground sends to the window that
  // loses it.
  static void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }

 private:
  platform::WindowHandle window_;
};

TEST(SingleInstance, LaterStartsRestoreTheRunningWindowAndBringItToTheFront) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  Program first = s.Start();
  HWND window = first.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; })) << "could not minimise it";
  const DriverWindow elsewhere;
  ASSERT_NE(elsewhere.get(), nullptr);
  SetForegroundWindow(elsewhere.get());
  ASSERT_TRUE(WaitUntil([&] {
    DriverWindow::Pump();
    return GetForegroundWindow() == elsewhere.get();
  })) << "the driver's window did not take the foreground";

  Program second = s.Start();
  const Program::Unseen run = second.WaitForExitShowingNothing();
  DriverWindow::Pump();
  EXPECT_EQ(run.exitCode, kAlreadyRunning);
  EXPECT_TRUE(run.shown.empty()) << "the second instance showed a window";

  EXPECT_TRUE(WaitUntil([&] {
    DriverWindow::Pump();
    return !IsIconic(window);
  })) << "the window stayed minimised";
  EXPECT_TRUE(WaitUntil([&] {
    DriverWindow::Pump();
    return GetForegroundWindow() == window;
  })) << "the foreground window is "
      << GetForegroundWindow() << ", not " << window;
  EXPECT_TRUE(IsWindowVisible(window));

  // Not minimised, only behind another window: a third start brings it to the front all the
  // same (under Wine, where nothing else would, this shows the foreground being set).
  SetForegroundWindow(elsewhere.get());
  ASSERT_TRUE(WaitUntil([&] {
    DriverWindow::Pump();
    return GetForegroundWindow() == elsewhere.get();
  }));
  Program third = s.Start();
  const Program::Unseen again = third.WaitForExitShowingNothing();
  DriverWindow::Pump();
  EXPECT_EQ(again.exitCode, kAlreadyRunning);
  EXPECT_TRUE(again.shown.empty()) << "the third instance showed a window";
  EXPECT_TRUE(WaitUntil([&] {
    DriverWindow::Pump();
    return GetForegroundWindow() == window;
  })) << "the foreground window is "
      << GetForegroundWindow() << ", not " << window;
  EXPECT_FALSE(IsIconic(window));

  // Raised, the first instance still asks, and answers as before.
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(first.WaitForExit(), kCancelled);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.4"));
  EXPECT_TRUE(HoldsFixture(s.ShippedPath(), L"1.2.3.5"));
  EXPECT_TRUE(s.RegistrationLog().empty());
}

// A window of the program's class and title in a process that is not the program (the driver's
// own), minimised and topmost, so that a search by class and title meets it first.
class ImpostorWindow {
 public:
  ImpostorWindow() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = platform::kWindowClass;
    RegisterClassW(&windowClass);
    window_.reset(CreateWindowExW(WS_EX_TOPMOST, platform::kWindowClass, platform::kWindowTitle,
                                  WS_OVERLAPPEDWINDOW, 60, 60, 300, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr));
    if (window_) ShowWindow(window_.get(), SW_SHOWMINNOACTIVE);
  }
  ~ImpostorWindow() {
    window_.reset();
    UnregisterClassW(platform::kWindowClass, GetModuleHandleW(nullptr));
  }
  ImpostorWindow(const ImpostorWindow&) = delete;
  ImpostorWindow& operator=(const ImpostorWindow&) = delete;
  HWND get() const { return window_.get(); }

 private:
  platform::WindowHandle window_;
};

TEST(SingleInstance, ALaterStartRaisesTheRunningProgramsWindowAndNoOtherOfTheSameClassAndTitle) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  Program first = s.Start();
  HWND window = first.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; })) << "could not minimise it";
  const ImpostorWindow impostor;
  ASSERT_NE(impostor.get(), nullptr);
  ASSERT_TRUE(IsIconic(impostor.get()));
  ASSERT_EQ(FindWindowW(platform::kWindowClass, platform::kWindowTitle), impostor.get())
      << "the search by class and title does not meet the other window first";

  Program second = s.Start();
  const Program::Unseen run = second.WaitForExitShowingNothing();
  DriverWindow::Pump();
  EXPECT_EQ(run.exitCode, kAlreadyRunning);
  EXPECT_TRUE(run.shown.empty()) << "the second instance showed a window";
  EXPECT_TRUE(WaitUntil([&] {
    DriverWindow::Pump();
    return !IsIconic(window);
  })) << "the running program's window stayed minimised";
  DriverWindow::Pump();
  EXPECT_TRUE(IsIconic(impostor.get())) << "the other program's window was restored";
  EXPECT_NE(GetForegroundWindow(), impostor.get());

  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(first.WaitForExit(), kCancelled);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.4"));
  EXPECT_TRUE(s.RegistrationLog().empty());
}

}  // namespace
}  // namespace tarnwell::e2e
