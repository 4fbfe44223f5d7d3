// How the program changes files in the system folder, seen from outside: the installed copy
// takes the system folder's protection rather than the download's, a shipped copy swapped
// while the program waits is never installed, a full disk costs nothing, and an install cut
// off while registering is finished at the next start.

#include <gtest/gtest.h>

#include <iostream>
#include <string>
#include <vector>

#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/FileSecurity.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += "\n  " + line;
  return text;
}

std::string Joined(const std::vector<std::wstring>& names) {
  std::vector<std::string> lines;
  for (const auto& name : names) lines.push_back(Narrow(name));
  return Joined(lines);
}

// ---- the installed copy takes the system folder's protection ----

// A file made afresh in the system folder, removed again when the probe ends: what a copy
// created there is protected by.
class FreshFileIn {
 public:
  explicit FreshFileIn(const std::wstring& folder)
      : path_(folder + L"\\tarnwell-fresh-" + std::to_wstring(GetCurrentProcessId()) + L".tmp"),
        file_(CreateFileW(
            path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE, nullptr)) {}
  bool Active() const { return static_cast<bool>(file_); }
  const std::wstring& Path() const { return path_; }

 private:
  std::wstring path_;
  platform::FileHandle file_;
};

// The shipped copy is writable by everyone. The program runs with `installed` in the system
// folder (nothing when empty) and no host; the copy it installs must not be.
void InstallFromACopyOpenToEveryone(const std::wstring& installed) {
  Scenario s;
  if (!installed.empty()) s.Install(installed);
  s.Ship(L"1.2.3.5");
  ASSERT_TRUE(OpenToEveryone(s.ShippedPath()));
  // Under Wine only what the Unix mode bits can say survives: Everyone's rights do.
  ASSERT_FALSE(OpenToOthers(s.ShippedPath()).empty())
      << "the shipped copy did not become writable by everyone";
  {
    // Otherwise no installed copy could pass, however it was made.
    FreshFileIn fresh(s.SystemFolder());
    ASSERT_TRUE(fresh.Active()) << "cannot create a file in " << Narrow(s.SystemFolder());
    ASSERT_TRUE(OpenToOthers(fresh.Path()).empty())
        << "a file made afresh in the system folder is already open to others (umask 0?):"
        << Joined(OpenToOthers(fresh.Path()));
  }
  Program program = s.Start();
  HWND window = program.WaitForWindow();

  EXPECT_TRUE(WaitForOutcome(window));
  EXPECT_EQ(ReadWindow(window).label.text,
            installed.empty() ? Installed(L"1.2.3.5") : Updated(installed, L"1.2.3.5"));
  EXPECT_EQ(PressOk(program, window), kCurrent);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.5"));
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  const auto findings = OpenToOthers(s.InstalledPath());
  EXPECT_TRUE(findings.empty()) << "the installed copy kept the download's protection:"
                                << Joined(findings);
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
  ExpectLibraryKept(s);
}

TEST(FileWorkProtection, FreshInstallIsNotWritableByEveryoneThoughTheShippedCopyWas) {
  InstallFromACopyOpenToEveryone(L"");
}

TEST(FileWorkProtection, UpdateIsNotWritableByEveryoneThoughTheShippedCopyWas) {
  InstallFromACopyOpenToEveryone(L"1.2.3.4");
}

// ---- the shipped copy swapped while the program waits for the host ----

// Checked as 1.2.3.5, then replaced by an older build, or by a build of the same version but
// another size, while the host is still open: neither may be installed.
TEST(FileWorkSwappedCopy, ReplacedWhileWaitingForTheHostIsNotInstalled) {
  for (const wchar_t* swapped : {L"1.0.0.0", L"1.2.3.5-padded"}) {
    SCOPED_TRACE(Narrow(swapped));
    Scenario s;
    HostSettings settings;
    settings.mode = L"disabled";  // the program cannot close it: it waits until the test does
    HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", settings);
    ASSERT_NE(host, nullptr);
    Program program = s.Start();
    HWND window = program.WaitForWindow();
    ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
    ASSERT_TRUE(Click(window, kOkId));
    ASSERT_TRUE(WaitForText(window, Waiting()));

    ASSERT_TRUE(CopyFileW(Scenario::FixturePath(swapped).c_str(), s.ShippedPath().c_str(), FALSE));
    ASSERT_TRUE(CloseHost(host));

    EXPECT_TRUE(WaitForOutcome(window));
    ExpectWindow(window, ShippedCopyChanged(L"1.2.3.5", L"1.2.3.4"), kRed, Buttons::Ok);
    EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.4"));
    // Never unregistered, or registered again in its own version.
    if (const auto last = LastRegistrationOfTheInstalledCopy(s)) {
      EXPECT_EQ(last->verb, L"register");
      EXPECT_EQ(last->version, L"1.2.3.4");
    }
    // The old copy is touched only once the new one has been checked in the system folder.
    EXPECT_TRUE(s.TrashedFiles().empty()) << Joined(s.TrashedFiles());
    EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
    EXPECT_EQ(PressOk(program, window), kFailed);
  }
}

// ---- a full disk ----

// The system folder is a tmpfs holding the old copy, with less room left than the new copy
// needs, though enough for a small file or a backup of the old copy.
TEST(FileWorkDiskFull, NewCopyThatDoesNotFitLeavesTheOldOneInstalled) {
  Scenario s;
  TmpfsOver small(s.SystemFolder());
  if (small.Unavailable()) GTEST_SKIP() << "cannot mount a tmpfs: " << small.Problem();
  ASSERT_TRUE(small.Active()) << small.Problem();
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5-padded");
  const auto newSize = Scenario::FixtureBytes(L"1.2.3.5-padded").size();
  const auto oldSize = Scenario::FixtureBytes(L"1.2.3.4").size();
  ASSERT_GT(newSize, 2 * oldSize + 512 * 1024) << "the padded fixture is too small for this test";
  ASSERT_TRUE(small.LeaveFree(newSize / 2)) << small.Problem();
  const auto free = FreeBytesIn(s.SystemFolder());
  ASSERT_TRUE(free.has_value());
  ASSERT_LT(*free, newSize) << "the system folder still has room for the new copy";
  ASSERT_GT(*free, oldSize) << "the system folder has no room left for even a small file";

  Program program = s.Start();
  HWND window = program.WaitForWindow();
  EXPECT_TRUE(WaitForOutcome(window));
  ExpectWindow(window, NotCopiedIn(L"1.2.3.4"), kRed, Buttons::Ok);
  EXPECT_EQ(PressOk(program, window), kFailed);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.4"));
  EXPECT_TRUE(HoldsFixture(s.ShippedPath(), L"1.2.3.5-padded"));
  if (const auto last = LastRegistrationOfTheInstalledCopy(s)) {
    EXPECT_EQ(last->verb, L"register");
    EXPECT_EQ(last->version, L"1.2.3.4");
  }
  EXPECT_TRUE(s.TrashedFiles().empty()) << Joined(s.TrashedFiles());
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
}

// ---- killed while registering ----

// Long enough that the registration is certainly still running when the test kills it.
constexpr DWORD kRegistrationDelayMs = 60000;

// The program (with `installed` in the system folder, nothing when empty, and no host) is
// killed together with regsvr32 while the new copy's registration runs; started again, it
// must leave the new copy installed and registered, and no file of its work behind.
void KilledWhileRegisteringThenStartedAgain(const std::wstring& installed) {
  Scenario s;
  if (!installed.empty()) s.Install(installed);
  s.Ship(L"1.2.3.5");
  {
    const EnvironmentOverride slow(L"QUANDREL_REGISTER_DELAY_MS",
                                   std::to_wstring(kRegistrationDelayMs));
    Program first = s.Start();
    ASSERT_TRUE(WaitUntil(
        [&] {
          const auto last = LastRegistrationOfTheInstalledCopy(s);
          return last && last->verb == L"register-begin" && last->version == L"1.2.3.5";
        },
        kWindowTimeoutMs))
        << "the new copy's registration did not start";
    std::vector<Process> tools = ChildrenOf(first.Id(), L"regsvr32.exe");
    ASSERT_EQ(tools.size(), 1u) << "regsvr32 runs of the program";
    // The program first, so that it cannot react to the end of regsvr32.
    first.Kill();
    ASSERT_FALSE(first.Running());
    tools[0].Kill();
    ASSERT_FALSE(tools[0].Running());
  }

  Program second = s.Start();
  HWND window = second.WaitForWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(WaitForOutcome(window));
  const std::wstring shown = ReadWindow(window).label.text;
  const auto exitCode = PressOk(second, window);
  std::cout << "after the restart the program showed:\n"
            << Narrow(shown) << "\nand ended with exit code "
            << (exitCode ? std::to_string(*exitCode) : std::string("none")) << "\n";
  ASSERT_TRUE(exitCode.has_value()) << "the second run did not end";
  EXPECT_TRUE(*exitCode == kCurrent || *exitCode == kNoReplacement)
      << "exit code " << *exitCode << " after finishing the interrupted work";
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"1.2.3.5");
  const auto last = LastRegistrationOfTheInstalledCopy(s);
  ASSERT_TRUE(last.has_value()) << "the installed copy was never registered";
  EXPECT_EQ(last->verb, L"register") << "the installed copy's registration was not finished";
  EXPECT_EQ(last->version, L"1.2.3.5");
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
}

TEST(FileWorkKilledWhileRegistering, UpdateIsFinishedAtTheNextStart) {
  KilledWhileRegisteringThenStartedAgain(L"1.2.3.4");
}

TEST(FileWorkKilledWhileRegistering, FreshInstallIsFinishedAtTheNextStart) {
  KilledWhileRegisteringThenStartedAgain(L"");
}

}  // namespace
}  // namespace tarnwell::e2e
