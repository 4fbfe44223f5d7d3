// How the program changes files in the system folder, seen from outside: the installed copy
// takes the system folder's protection rather than the download's, the shipped copy is held
// from the check on (overwritten, re-pointed through a linked folder, a link itself: what is
// installed and removed is the copy that was checked), its helper files are its own, a full
// disk costs nothing, and an install cut off while registering is finished at the next start.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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

// ---- the shipped copy, held from the moment it is checked ----

// Checked as 1.2.3.5, then overwritten by an older build or a larger one while the host is
// still open: the program holds the copy it checked, so neither lands in it, and the copy that
// was checked is the one installed.
TEST(FileWorkHeldCopy, CannotBeReplacedWhileTheProgramWaitsAndIsTheOneInstalled) {
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

    EXPECT_FALSE(CopyFileW(Scenario::FixturePath(swapped).c_str(), s.ShippedPath().c_str(), FALSE));
    EXPECT_FALSE(DeleteFileW(s.ShippedPath().c_str()));
    EXPECT_FALSE(MoveFileExW(s.ShippedPath().c_str(), (s.ShippedPath() + L".away").c_str(), 0));
    ASSERT_TRUE(CloseHost(host));

    EXPECT_TRUE(WaitForOutcome(window));
    ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
    EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.5"));
    EXPECT_EQ(LastRegistrationOfTheInstalledCopy(s)->version, L"1.2.3.5");
    EXPECT_FALSE(FileExists(s.ShippedPath()));
    EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
    EXPECT_EQ(PressOk(program, window), kCurrent);
  }
}

// Points `link` (a Windows path) at `target` from the Linux side, replacing what it pointed at,
// and waits until the Windows side sees it so.
bool PointLink(const std::wstring& link, const std::wstring& target) {
  if (!RunUnix("/bin/ln", L"-sfn \"" + Widen(UnixPathOf(target)) + L"\" \"" +
                              Widen(UnixPathOf(link)) + L"\"")) {
    return false;
  }
  const std::wstring probe = target + L"\\Quandrel.dll";
  return WaitUntil([&] { return ReadBytes(link + L"\\Quandrel.dll") == ReadBytes(probe); });
}

// The program folder is reached through a link its owner can re-point. Re-pointed at another
// folder while the old copy is being unregistered, the program still installs the copy it
// checked, and never reads, installs or deletes the other folder's Quandrel.dll.
TEST(FileWorkLinkedFolder, RepointedWhileTheOldCopyIsUnregisteredTouchesOnlyTheCheckedCopy) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  const std::wstring real = s.ProgramFolder();
  const std::wstring other = real + L"-other";
  const std::wstring link = real + L"-link";
  ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
  ASSERT_TRUE(CopyFileW(Scenario::FixturePath(L"1.0.0.0").c_str(),
                        (other + L"\\Quandrel.dll").c_str(), FALSE));
  ASSERT_TRUE(PointLink(link, real));
  const EnvironmentOverride slow(L"QUANDREL_UNREGISTER_DELAY_MS", L"3000");

  const std::wstring log = real + L"-run.log";
  Program program = s.StartAt(link + L"\\TarnwellUpdate.exe", L"/quiet /log \"" + log + L"\"");
  ASSERT_TRUE(WaitUntil(
      [&] {
        const auto calls = Registrations(s);
        return !calls.empty() && calls.front().verb == L"unregister-begin";
      },
      60'000));
  ASSERT_TRUE(PointLink(link, other));

  EXPECT_EQ(program.WaitForExit(), kCurrent);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.5"));
  EXPECT_EQ(LastRegistrationOfTheInstalledCopy(s)->version, L"1.2.3.5");
  EXPECT_TRUE(HoldsFixture(other + L"\\Quandrel.dll", L"1.0.0.0"))
      << "the other folder's copy was touched";
  EXPECT_FALSE(FileExists(real + L"\\Quandrel.dll")) << "the checked copy was not removed";
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
  // The program knew its folder by the link, not by where the link led.
  const std::vector<std::wstring> lines = ReadLines(log);
  EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const std::wstring& line) {
    return line.find(L"Shipped copy: " + link + L"\\Quandrel.dll, version 1.2.3.5") !=
           std::wstring::npos;
  })) << "the run never saw its folder through the link";
  DeleteFileW(log.c_str());
  DeleteFileW((other + L"\\Quandrel.dll").c_str());
  RemoveDirectoryW(other.c_str());
  DeleteFileW(link.c_str());
  RunUnix("/bin/rm", L"-f \"" + Widen(UnixPathOf(link)) + L"\"");
}

// A Quandrel.dll that is a link to a file the user could not read, or a second name of such a
// file, is never copied into the system folder, where everyone could read it.
TEST(FileWorkLinkedFolder, AShippedCopyThatIsALinkOrASecondNameIsNeverInstalled) {
  for (const bool hard : {false, true}) {
    SCOPED_TRACE(hard ? "a second name" : "a link");
    Scenario s;
    const std::wstring target = s.ProgramFolder() + L"-private.dll";
    // Wine does not see a link whose target is gone: it goes from the Linux side, before its
    // target, whatever the test's outcome.
    const auto removeBoth = [&] {
      RunUnix("/bin/rm", L"-f \"" + Widen(UnixPathOf(s.ShippedPath())) + L"\"");
      WaitUntil([&] { return !FileExists(s.ShippedPath()); });
      DeleteFileW(target.c_str());
    };
    struct Cleanup {
      std::function<void()> run;
      ~Cleanup() { run(); }
    } cleanup{removeBoth};
    ASSERT_TRUE(CopyFileW(Scenario::FixturePath(L"1.2.3.5").c_str(), target.c_str(), FALSE));
    if (hard) {
      ASSERT_TRUE(CreateHardLinkW(s.ShippedPath().c_str(), target.c_str(), nullptr))
          << GetLastError();
    } else {
      ASSERT_TRUE(RunUnix("/bin/ln", L"-s \"" + Widen(UnixPathOf(target)) + L"\" \"" +
                                         Widen(UnixPathOf(s.ShippedPath())) + L"\""));
      ASSERT_TRUE(WaitUntil([&] { return FileExists(s.ShippedPath()); }));
    }
    Program program = s.Start(L"/quiet");
    EXPECT_EQ(program.WaitForExit(), kFailed);
    EXPECT_FALSE(FileExists(s.InstalledPath()));
    EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
    EXPECT_TRUE(s.RegistrationLog().empty());
    EXPECT_TRUE(HoldsFixture(target, L"1.2.3.5"));
  }
}

// ---- helper files nobody else can hold ----

// Another process opens every new file of the system folder the moment it can, and keeps it
// open without letting it be renamed or removed. The helper files are the program's alone, so
// the update goes through.
TEST(FileWorkReader, HoldingEveryNewFileOfTheSystemFolderCannotStopTheUpdate) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  const std::wstring taken = s.ProgramFolder() + L"-grabbed.txt";
  Process grabber = s.Run(WindowsPathOf(TARNWELL_FIXTURES_DIR) + L"\\grabber\\Grabber.exe",
                          L"\"" + s.SystemFolder() + L"\" \"" + taken + L"\"");
  ASSERT_TRUE(WaitUntil([&] { return FileExists(taken); }, 60'000)) << "the reader never began";

  Program program = s.Start(L"/quiet");
  const auto exitCode = program.WaitForExit();
  grabber.Kill();
  EXPECT_EQ(exitCode, kCurrent);
  EXPECT_TRUE(HoldsFixture(s.InstalledPath(), L"1.2.3.5"));
  EXPECT_EQ(LastRegistrationOfTheInstalledCopy(s)->version, L"1.2.3.5");
  EXPECT_TRUE(HelperFilesLeft(s).empty()) << Joined(HelperFilesLeft(s));
  // What the reader could take: nothing of the program's own files but, at most, the library
  // itself once it was registered and let go of.
  std::vector<std::wstring> grabbed;
  if (const auto text = ReadBytes(taken); text.size() >= 2) {
    const std::wstring lines(reinterpret_cast<const wchar_t*>(text.data()), text.size() / 2);
    for (std::size_t at = 0; at < lines.size();) {
      const std::size_t end = lines.find(L"\r\n", at);
      grabbed.push_back(lines.substr(at, end - at));
      at = end == std::wstring::npos ? lines.size() : end + 2;
    }
  }
  ASSERT_FALSE(grabbed.empty());
  EXPECT_EQ(grabbed.front(), L"watching");
  for (std::size_t i = 1; i < grabbed.size(); ++i)
    EXPECT_TRUE(SamePath(grabbed[i], L"Quandrel.dll")) << Narrow(grabbed[i]);
  DeleteFileW(taken.c_str());
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
