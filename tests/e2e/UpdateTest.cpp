// Replacing an older installed library, seen from outside: the offer, the close request to
// the host and the wait for it, what regsvr32 was asked to do and when, the files, the trash,
// the host's restart, and the exit code. Also the ways the replacement can be refused: the
// user cancels the wait, the installed copy is in use, the new copy cannot be moved in.

#include "tests/e2e/Scenario.h"

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <optional>

namespace tarnwell::e2e {
namespace {

constexpr COLORREF kDarkBlue = 0xC00000;
constexpr COLORREF kRed = 0x0000FF;
constexpr COLORREF kGreen = 0x00C000;
constexpr COLORREF kOrange = 0x0080FF;

constexpr DWORD kCurrent = 0;
constexpr DWORD kFailed = 2;
constexpr DWORD kCancelled = 3;

std::wstring Lines(std::initializer_list<std::wstring_view> lines) {
  std::wstring text;
  for (auto line : lines) {
    if (!text.empty()) text += L"\r\n";
    text += line;
  }
  return text;
}

std::wstring Offer(const std::wstring& installed, const std::wstring& shipped) {
  return Lines({L"The current Quandrel.dll ", L"Version: " + installed, L"Needs to be updated to",
                L"Version: " + shipped, L"This programme requires the Corvex IDE to be closed down",
                L"Press 'OK' to Close the Corvex IDE and Update the Quandrel.dll",
                L"Press 'Cancel' to Abort the Update of the Quandrel.dll"});
}

const std::wstring kWaiting = Lines({L"Waiting for the Corvex IDE", L"To be closed"});

std::wstring Updated(const std::wstring& from, const std::wstring& to) {
  return Lines({L"Quandrel.dll Version: " + from, L"has being updated to", L"Quandrel.dll Version: " + to});
}

const std::wstring kInUse = Lines({L"There was an Error while updating the Quandrel.dll",
                                   L"please make sure that 'No Application'", L"is referencing the Quandrel.dll"});

std::wstring Restored(const std::wstring& from, const std::wstring& to) {
  return Lines({L"There was an Error while updating the Quandrel.dll",
                L"The new Version: " + to + L" could not be installed", L"Version: " + from + L" has been restored"});
}

// The version in a library's fixed version record, "a.b.c.d"; nothing when there is none.
std::optional<std::wstring> VersionOf(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<std::uint8_t> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return std::nullopt;
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." + std::to_wstring(LOWORD(fixed->dwFileVersionMS)) +
         L"." + std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionLS));
}

struct Registration {
  std::wstring verb, path, version;
};

// What regsvr32 asked the library to do, in order ("register <path> <version>").
std::vector<Registration> Registrations(const Scenario& s) {
  std::vector<Registration> calls;
  for (const auto& line : s.RegistrationLog()) {
    const auto first = line.find(L' '), last = line.rfind(L' ');
    if (first == std::wstring::npos || first == last)
      calls.push_back({line, {}, {}});
    else
      calls.push_back({line.substr(0, first), line.substr(first + 1, last - first - 1), line.substr(last + 1)});
  }
  return calls;
}

// The calls, each made for the installed copy, as verb and version.
void ExpectRegistrations(const std::vector<Registration>& calls, const Scenario& s,
                         const std::vector<std::pair<std::wstring, std::wstring>>& expected) {
  ASSERT_EQ(calls.size(), expected.size()) << "regsvr32 calls";
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i));
    EXPECT_EQ(calls[i].verb, expected[i].first);
    EXPECT_TRUE(SamePath(calls[i].path, s.InstalledPath())) << Narrow(calls[i].path);
    EXPECT_EQ(calls[i].version, expected[i].second);
  }
}

// Each start of the host, as its log records it: "start <command line>".
std::vector<std::wstring> HostStarts(const Scenario& s) {
  std::vector<std::wstring> starts;
  for (const auto& line : s.HostLog())
    if (line.starts_with(L"start ")) starts.push_back(line);
  return starts;
}

// How a start by its full, quoted path looks in the log; the driver starts the host the same way.
std::wstring StartedByFullPath(const Scenario& s) { return L"start \"" + s.HostPath() + L"\""; }

bool HostLogHas(const Scenario& s, const std::wstring& line) {
  for (const auto& logged : s.HostLog())
    if (logged == line) return true;
  return false;
}

// Processes running now from the executable `image`.
std::size_t RunningCopiesOf(const std::wstring& image) {
  std::size_t count = 0;
  win32::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) return 0;
  do {
    win32::KernelHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (!process || WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) continue;
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = ARRAYSIZE(path);
    if (QueryFullProcessImageNameW(process.get(), 0, path, &size) && SamePath(path, image)) ++count;
  } while (Process32NextW(snapshot.get(), &entry));
  return count;
}

// Backups the program makes beside the installed copy while it replaces it.
std::vector<std::wstring> BackupsLeft(const Scenario& s) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  HANDLE search = FindFirstFileW((s.SystemFolder() + L"\\qdl*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do names.push_back(found.cFileName);
  while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kSettleTimeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

// Waits until the label reads `text`; a failure names what it read last.
::testing::AssertionResult WaitForText(HWND window, const std::wstring& text) {
  std::wstring last;
  if (WaitUntil([&] { return (last = ReadWindow(window).label.text) == text; }, kWindowTimeoutMs))
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "the label never read\n" << Narrow(text) << "\nlast read:\n" << Narrow(last);
}

enum class Buttons { Ok, Cancel, OkAndCancel };

// The window shows `text` in `colour` as drawn (and in no other label colour) with the buttons given.
void ExpectWindow(HWND window, const std::wstring& text, COLORREF colour, Buttons buttons) {
  ASSERT_NE(window, nullptr) << "the program showed no window";
  const WindowState state = ReadWindow(window);
  EXPECT_TRUE(state.visible);
  EXPECT_EQ(state.label.text, text);
  EXPECT_EQ(state.ok.visible, buttons != Buttons::Cancel);
  EXPECT_EQ(state.cancel.visible, buttons != Buttons::Ok);
  const PixelCounts pixels = WaitForLabelColour(window, colour);
  EXPECT_GE(pixels.Of(colour), 30u) << "the label is not drawn in 0x" << std::hex << colour;
  for (COLORREF other : {kDarkBlue, kRed, kGreen, kOrange}) {
    if (other != colour) {
      EXPECT_EQ(pixels.Of(other), 0u) << "label pixels in 0x" << std::hex << other;
    }
  }
}

// Holds a file open from the test, sharing reads only: it can be read and loaded, but neither
// deleted nor renamed, as when another application uses it.
class HeldOpen {
 public:
  explicit HeldOpen(const std::wstring& path)
      : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                          nullptr)) {}
  bool Active() const { return static_cast<bool>(file_); }

 private:
  win32::FileHandle file_;
};

// ---- the update runs ----

TEST(OfferedUpdate, ClosesTheHostReplacesTheLibraryAndRestartsTheHostOnce) {
  Scenario s;
  s.InstallHost();
  HWND host = s.StartHost();
  ASSERT_NE(host, nullptr);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
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
  EXPECT_EQ(VersionOf(s.InstalledPath()), L"1.2.3.5");
  const auto trashed = s.TrashedFiles();
  ASSERT_EQ(trashed.size(), 1u) << "files in the trash";
  EXPECT_EQ(ReadBytes(s.TrashFilesFolder() + L"\\" + trashed[0]), Scenario::FixtureBytes(L"1.2.3.4"));

  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; })) << "the host was not started again";
  EXPECT_TRUE(Click(window, kOkId));
  EXPECT_EQ(program.WaitForExit(), kCurrent);
  // The program has ended: whatever it started is running or was never started.
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), (std::vector<std::wstring>{StartedByFullPath(s), StartedByFullPath(s)}));
  EXPECT_TRUE(BackupsLeft(s).empty());
}

TEST(OfferedUpdate, HostThatReleasesTheLibraryOnlyAsItExitsIsWaitedFor) {
  Scenario s;
  HostSettings host;
  host.holdFile = s.InstalledPath();
  host.lingerMs = 1500;  // far inside the program's wait for the process, far beyond its window's end
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
  ExpectRegistrations(Registrations(s), s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(VersionOf(s.InstalledPath()), L"1.2.3.5");
  EXPECT_FALSE(FileExists(s.ShippedPath()));

  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; })) << "the host was not started again";
  EXPECT_TRUE(Click(window, kOkId));
  EXPECT_EQ(program.WaitForExit(), kCurrent);
  EXPECT_EQ(HostStarts(s).size(), 2u);
  EXPECT_TRUE(BackupsLeft(s).empty());
}

TEST(OfferedUpdate, HostClosedByTheUserBeforeOkIsNotStartedAgain) {
  Scenario s;
  s.InstallHost();
  HWND host = s.StartHost();
  ASSERT_NE(host, nullptr);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
  ASSERT_TRUE(PostMessageW(host, WM_CLOSE, 0, 0));
  ASSERT_TRUE(WaitUntil([&] { return HostLogHas(s, L"exit"); })) << "the host did not close";

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(Registrations(s), s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(VersionOf(s.InstalledPath()), L"1.2.3.5");
  EXPECT_TRUE(Click(window, kOkId));
  EXPECT_EQ(program.WaitForExit(), kCurrent);
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
  EXPECT_EQ(VersionOf(s.InstalledPath()), L"1.2.3.5");
  EXPECT_FALSE(FileExists(s.ShippedPath()));

  EXPECT_TRUE(Click(window, kOkId));
  EXPECT_EQ(program.WaitForExit(), kCurrent);
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 0u);
  EXPECT_TRUE(s.HostLog().empty());
  EXPECT_TRUE(BackupsLeft(s).empty());
}

// ---- the user stops the wait for a host that stays open ----

// A host that refuses to close; the user gives up with `stop` while the program waits.
void StopTheWait(const std::function<bool(HWND)>& stop) {
  Scenario s;
  HostSettings settings;
  settings.mode = L"refuse";
  s.InstallHost(settings);
  HWND host = s.StartHost();
  ASSERT_NE(host, nullptr);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, kWaiting));
  ExpectWindow(window, kWaiting, kOrange, Buttons::Cancel);
  EXPECT_TRUE(WaitUntil([&] { return HostLogHas(s, L"close-refused"); })) << "no close request reached the host";

  ASSERT_TRUE(stop(window));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(VersionOf(s.InstalledPath()), L"1.2.3.4");
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_EQ(VersionOf(s.ShippedPath()), L"1.2.3.5");
  EXPECT_TRUE(s.RegistrationLog().empty());
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_TRUE(BackupsLeft(s).empty());
  EXPECT_TRUE(IsWindow(host)) << "the host was closed after all";
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s)});
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
  settings.lingerMs = 8000;  // well past the Cancel below, inside the program's wait for the process
  s.InstallHost(settings);
  ASSERT_NE(s.StartHost(), nullptr);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitUntil([&] { return HostLogHas(s, L"window-gone"); })) << "the host's window did not close";
  ASSERT_FALSE(HostLogHas(s, L"exit")) << "the host ended too soon for this test";
  ExpectWindow(window, kWaiting, kOrange, Buttons::Cancel);
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
  s.InstallHost();
  HWND host = s.StartHost();
  ASSERT_NE(host, nullptr);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  // Another application, not the host, uses the installed copy.
  HeldOpen inUse(s.InstalledPath());
  ASSERT_TRUE(inUse.Active());
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, kInUse));
  ExpectWindow(window, kInUse, kRed, Buttons::Ok);
  ExpectRegistrations(Registrations(s), s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.4"}});
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_TRUE(BackupsLeft(s).empty());

  EXPECT_TRUE(Click(window, kOkId));
  EXPECT_EQ(program.WaitForExit(), kFailed);
  EXPECT_FALSE(IsWindow(host));
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 0u) << "the host was started again";
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s)});
}

TEST(UpdateLibraryInUse, NewCopyThatCannotBeMovedInBringsTheOldOneBack) {
  Scenario s;
  s.InstallHost();
  ASSERT_NE(s.StartHost(), nullptr);
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  // Readable, so its version is known, but it cannot be moved away.
  HeldOpen inUse(s.ShippedPath());
  ASSERT_TRUE(inUse.Active());
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectWindow(window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Restored(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(window, Restored(L"1.2.3.4", L"1.2.3.5"), kRed, Buttons::Ok);
  ExpectRegistrations(Registrations(s), s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.4"}});
  EXPECT_EQ(VersionOf(s.InstalledPath()), L"1.2.3.4");
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(BackupsLeft(s).empty());

  // The host was closed for the update, so it comes back whatever the outcome.
  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; })) << "the host was not started again";
  EXPECT_TRUE(Click(window, kOkId));
  EXPECT_EQ(program.WaitForExit(), kFailed);
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), (std::vector<std::wstring>{StartedByFullPath(s), StartedByFullPath(s)}));
}

}  // namespace
}  // namespace tarnwell::e2e
