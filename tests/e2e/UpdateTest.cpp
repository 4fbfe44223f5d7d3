// Replacing an older installed library, seen from outside: the offer, the close request to
// the host and the wait for it, what regsvr32 was asked to do and when, the files, the trash,
// the host's restart, and the exit code. Also the ways the replacement can be refused: the
// user cancels the wait, the installed copy is in use, the new copy cannot be moved in.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

// ---- the update runs ----

TEST(OfferedUpdate, ClosesTheHostReplacesTheLibraryAndRestartsTheHostOnce) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  // Taken the moment the result shows: both regsvr32 runs must be over by then.
  const auto atResult = Registrations(s);
  ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(atResult, s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});

  EXPECT_TRUE(HostLogHas(s, L"close-request"));
  EXPECT_TRUE(HostLogHas(s, L"window-gone"));
  EXPECT_FALSE(IsWindow(host));
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"1.2.3.5");
  ExpectTrashHolds(s, L"1.2.3.4");

  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; }))
      << "the host was not started again";
  EXPECT_EQ(PressOk(program, window), kCurrent);
  // The program has ended: whatever it started is running or was never started.
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>(2, StartedByFullPath(s.HostPath())));
  // Started again in its own folder, never in the one the program was started from.
  std::vector<std::wstring> folders;
  for (const auto& line : s.HostLog())
    if (line.starts_with(L"folder ")) folders.push_back(line.substr(7));
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_TRUE(SamePath(folders[1], s.HostPath().substr(0, s.HostPath().rfind(L'\\'))))
      << Narrow(folders[1]);
  EXPECT_TRUE(HelperFilesLeft(s).empty());
}

TEST(OfferedUpdate, HostThatReleasesTheLibraryOnlyAsItExitsIsWaitedFor) {
  Scenario s;
  HostSettings host;
  host.holdFile = s.InstalledPath();
  host.lingerMs =
      1500;  // far inside the program's wait for the process, far beyond its window's end
  s.InstallHost(host);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  ASSERT_NE(s.StartHost(), nullptr);
  ASSERT_TRUE(HostLogHas(s, L"hold " + s.InstalledPath())) << "the host does not hold the library";
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  // The host's process was gone before the library was touched.
  const auto log = s.HostLog();
  EXPECT_NE(std::find(log.begin(), log.end(), L"exit"), log.end());
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"1.2.3.5");
  EXPECT_FALSE(FileExists(s.ShippedPath()));

  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; }))
      << "the host was not started again";
  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_EQ(HostStarts(s).size(), 2u);
  EXPECT_TRUE(HelperFilesLeft(s).empty());
}

TEST(OfferedUpdate, HostClosedByTheUserBeforeOkIsNotStartedAgain) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
  ASSERT_TRUE(PostMessageW(host, WM_CLOSE, 0, 0));
  ASSERT_TRUE(WaitUntil([&] { return HostLogHas(s, L"exit"); })) << "the host did not close";

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"1.2.3.5");
  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 0u) << "a host the program did not close was started";
  EXPECT_EQ(HostStarts(s).size(), 1u);
}

TEST(UpdateWithoutHost, RunsAtOnceAndDoesNotStartTheHost) {
  Scenario s;
  s.InstallHost();  // installed, not running: nothing to start again
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  const auto atResult = Registrations(s);
  ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(atResult, s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"1.2.3.5");
  EXPECT_FALSE(FileExists(s.ShippedPath()));

  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 0u);
  EXPECT_TRUE(s.HostLog().empty());
  EXPECT_TRUE(HelperFilesLeft(s).empty());
}

// ---- the user stops the wait for a host that stays open ----

// A host that refuses to close; the user gives up with `stop` while the program waits.
void StopTheWait(const std::function<bool(HWND)>& stop) {
  Scenario s;
  HostSettings settings;
  settings.mode = L"refuse";
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", settings);
  ASSERT_NE(host, nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Waiting()));
  ExpectWindow(window, Waiting(), kOrange, Buttons::Cancel);
  EXPECT_TRUE(WaitUntil([&] { return HostLogHas(s, L"close-refused"); }))
      << "no close request reached the host";

  ASSERT_TRUE(stop(window));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"1.2.3.4");
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(FileVersionOf(s.ShippedPath()), L"1.2.3.5");
  EXPECT_TRUE(s.RegistrationLog().empty());
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_TRUE(HelperFilesLeft(s).empty());
  EXPECT_TRUE(IsWindow(host)) << "the host was closed after all";
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s.HostPath())});
}

TEST(UpdateWaitForHost, CancelEndsTheProgramAndChangesNothing) {
  StopTheWait([](HWND window) { return Click(window, kCancelId); });
}

TEST(UpdateWaitForHost, CloseBoxEndsTheProgramAndChangesNothing) {
  StopTheWait([](HWND window) { return e2e::CloseWindow(window); });
}

// The host's window is gone but its process is still ending: the user may still give up.
TEST(UpdateWaitForHost, CancelWhileTheClosedHostIsStillExitingChangesNothing) {
  Scenario s;
  HostSettings settings;
  settings.lingerMs =
      8000;  // well past the Cancel below, inside the program's wait for the process
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", settings), nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitUntil([&] { return HostLogHas(s, L"window-gone"); }))
      << "the host's window did not close";
  ASSERT_FALSE(HostLogHas(s, L"exit")) << "the host ended too soon for this test";
  ExpectWindow(window, Waiting(), kOrange, Buttons::Cancel);
  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(s.RegistrationLog().empty());
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_EQ(HostStarts(s).size(), 1u);
}

// ---- the replacement is refused by the files ----

TEST(UpdateLibraryInUse, InstalledCopyThatCannotBeRemovedStaysRegisteredAndTheHostClosed) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  // Another application, not the host, uses the installed copy.
  HeldOpen inUse(s.InstalledPath());
  ASSERT_TRUE(inUse.Active());
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, InUse()));
  ExpectWindow(window, InUse(), kRed, Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.4"}});
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_TRUE(HelperFilesLeft(s).empty());

  EXPECT_EQ(PressOk(program, window), kFailed);
  EXPECT_FALSE(IsWindow(host));
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 0u) << "the host was started again";
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s.HostPath())});
}

TEST(UpdateLibraryInUse, ShippedCopyThatCannotBeRemovedStillCountsAsInstalled) {
  Scenario s;
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5"), nullptr);
  // Readable, so it can be copied in, but held so that it cannot be removed afterwards.
  HeldOpen inUse(s.ShippedPath());
  ASSERT_TRUE(inUse.Active());
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(HelperFilesLeft(s).empty());

  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; }))
      << "the host was not started again";
  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>(2, StartedByFullPath(s.HostPath())));
}

}  // namespace
}  // namespace tarnwell::e2e
