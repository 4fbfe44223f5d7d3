// The program under things going wrong: a read-only system folder, a failing regsvr32, a host
// that will not close or comes back, a missing host executable, the window closed at each
// stage, a second instance, planted programs, and broken or extreme library files.
//
// Whatever the fault, once the program has ended a Quandrel.dll with a readable version is
// left installed or beside the program, and an installed copy whose registration the program
// touched ends registered. Every case checks that, besides its text, colour and exit code.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

// How long the program gets to act on something it must ignore; it polls every 20 ms.
constexpr DWORD kNoticeMs = 1000;

// Answers every message box the program shows before its window appears, in order.
struct Started {
  HWND window = nullptr;
  std::vector<std::wstring> boxes;
};
Started AwaitWindow(const Program& program) {
  Started started;
  const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
  while (GetTickCount64() < deadline && program.Running()) {
    if (auto box = program.WaitForMessageBox(0)) {
      started.boxes.push_back(box->text);
      if (!AnswerMessageBox(*box)) break;
      continue;
    }
    if ((started.window = program.WaitForWindow(0)) != nullptr) break;
  }
  if (!started.window) started.window = program.WaitForWindow(0);
  return started;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.find_last_of(L'\\')); }
std::wstring HostIni(const Scenario& s) { return FolderOf(s.HostPath()) + L"\\CorvexIDE.ini"; }

// The top-level "Corvex IDE" window of process `id`, once it shows; nullptr if it does not.
HWND WaitForHostWindow(DWORD id) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND w = FindWindowW(nullptr, kHostWindowTitle); w;
             w = FindWindowExW(nullptr, w, nullptr, kHostWindowTitle)) {
          DWORD owner = 0;
          GetWindowThreadProcessId(w, &owner);
          if (owner == id) found = w;
        }
        return found != nullptr;
      },
      kWindowTimeoutMs);
  return found;
}

// A copy of the marker program planted at `path`; it and its trace are removed at the end.
class Planted {
 public:
  explicit Planted(std::wstring path) : path_(std::move(path)) {
    const std::wstring marker = FixtureFile(L"marker\\Marker.exe");
    DeleteFileW(Trace().c_str());
    active_ = CopyFileW(marker.c_str(), path_.c_str(), FALSE) != FALSE;
  }
  ~Planted() {
    DeleteFileW(path_.c_str());
    DeleteFileW(Trace().c_str());
  }
  Planted(const Planted&) = delete;
  Planted& operator=(const Planted&) = delete;
  bool Active() const { return active_; }
  const std::wstring& Path() const { return path_; }
  bool Ran() const { return FileExists(Trace()); }

 private:
  std::wstring Trace() const { return path_ + L".ran"; }
  std::wstring path_;
  bool active_ = false;
};

// The folder the driver starts the program in: the parent of its program folder.
std::wstring CurrentFolderOfTheProgram(const Scenario& s) { return FolderOf(s.ProgramFolder()); }

// ---- the host stays open, and the user gives up ----

struct GiveUp {
  std::wstring hostMode;
  bool closeBox = false;  // else Cancel
};

void GiveUpWhileTheHostStaysOpen(const GiveUp& how) {
  Scenario s;
  HostSettings settings;
  settings.mode = how.hostMode;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", settings);
  ASSERT_NE(host, nullptr);
  Program program = s.Start();
  const Started started = AwaitWindow(program);
  EXPECT_TRUE(started.boxes.empty());
  ExpectWindow(started.window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(started.window, kOkId));
  ASSERT_TRUE(WaitForText(started.window, Waiting()));
  ExpectWindow(started.window, Waiting(), kOrange, Buttons::Cancel);
  if (how.hostMode == L"refuse") {
    EXPECT_TRUE(WaitUntil([&] { return HostLogCount(s, L"close-refused") == 1; }))
        << "no close request came";
  }

  ASSERT_TRUE(how.closeBox ? e2e::CloseWindow(started.window) : Click(started.window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(s.RegistrationLog().empty());
  EXPECT_TRUE(s.TrashedFiles().empty());
  EXPECT_TRUE(HelperFilesLeft(s).empty());
  EXPECT_TRUE(IsWindow(host));
  // A disabled window is never asked; had it been, it would have closed.
  if (how.hostMode == L"disabled") {
    EXPECT_EQ(HostLogCount(s, L"close-request"), 0u);
  }
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>{StartedByFullPath(s.HostPath())});
  ExpectLibraryKept(s);
}

TEST(FaultHostStaysOpen, RefusingHostThenCancel) {
  GiveUpWhileTheHostStaysOpen({L"refuse", false});
}

TEST(FaultHostStaysOpen, DisabledHostIsNotAskedThenCancel) {
  GiveUpWhileTheHostStaysOpen({L"disabled", false});
}

TEST(FaultHostStaysOpen, DisabledHostIsNotAskedThenTheWindowIsClosed) {
  GiveUpWhileTheHostStaysOpen({L"disabled", true});
}

// A second host window opened while the program waits: it is waited for too, never asked to
// close, and the host is started again once only.
TEST(FaultHostStaysOpen, HostWindowAppearingDuringTheWaitIsWaitedFor) {
  Scenario s;
  HostSettings settings;
  settings.mode = L"disabled";  // the program cannot close it; the test does
  HWND first = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", settings);
  ASSERT_NE(first, nullptr);
  Program program = s.Start();
  const Started started = AwaitWindow(program);
  ExpectWindow(started.window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
  ASSERT_TRUE(Click(started.window, kOkId));
  ASSERT_TRUE(WaitForText(started.window, Waiting()));

  ASSERT_TRUE(WritePrivateProfileStringW(L"Corvex", L"Mode", L"close", HostIni(s).c_str()));
  HWND second = s.StartHost();
  ASSERT_NE(second, nullptr);
  ASSERT_TRUE(CloseHost(first));
  // With the first host gone the program must go on waiting for the second.
  EXPECT_FALSE(WaitUntil(
      [&] {
        return ReadWindow(started.window).label.text != Waiting() || !s.RegistrationLog().empty();
      },
      kNoticeMs));
  EXPECT_EQ(ReadWindow(started.window).label.text, Waiting());
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_TRUE(s.RegistrationLog().empty());

  ASSERT_TRUE(CloseHost(second));
  ASSERT_TRUE(WaitForText(started.window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(started.window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 3; }))
      << "the host was not started again";
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  // Only the two close requests the test sent: the program asked neither window.
  EXPECT_EQ(HostLogCount(s, L"close-request"), 2u);
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s).size(), 3u);
  EXPECT_TRUE(HelperFilesLeft(s).empty());
  ExpectLibraryKept(s);
}

// The host runs from another folder than the one the program restarts it from.
TEST(FaultHostExecutableMissing, NoRestartAndNoMessage) {
  Scenario s;
  const std::wstring elsewhere = s.ProgramFolder() + L"\\elsewhere";
  ASSERT_TRUE(CreateDirectoryW(elsewhere.c_str(), nullptr));
  const std::wstring hostCopy = elsewhere + L"\\CorvexIDE.exe";
  const std::wstring hostLog = elsewhere + L"\\CorvexIDE.log";
  ASSERT_TRUE(CopyFileW(FixtureFile(L"corvex\\CorvexIDE.exe").c_str(), hostCopy.c_str(), TRUE));
  ASSERT_TRUE(WritePrivateProfileStringW(L"Corvex", L"Log", hostLog.c_str(),
                                         (elsewhere + L"\\CorvexIDE.ini").c_str()));
  Process host = s.Run(hostCopy, L"");
  ASSERT_NE(WaitForHostWindow(host.Id()), nullptr);
  ASSERT_FALSE(FileExists(s.HostPath()));
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Program program = s.Start();
  const Started started = AwaitWindow(program);
  ExpectWindow(started.window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(started.window, kOkId));
  ASSERT_TRUE(WaitForText(started.window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(started.window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  EXPECT_EQ(host.WaitForExit(), 0u) << "the host was not closed";
  EXPECT_EQ(program.VisibleWindows(), std::vector<HWND>{started.window})
      << "a message box is showing";
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  EXPECT_EQ(RunningCopiesOf(hostCopy), 0u);
  EXPECT_EQ(HostStarts(ReadLines(hostLog)), std::vector<std::wstring>{StartedByFullPath(hostCopy)});
  ExpectLibraryKept(s);
}

// ---- the window closed at each stage ----

TEST(FaultWindowClosed, DuringTheOfferNothingHappens) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  Program program = s.Start();
  const Started started = AwaitWindow(program);
  ExpectWindow(started.window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(e2e::CloseWindow(started.window));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_TRUE(IsWindow(host));
  EXPECT_EQ(HostLogCount(s, L"close-request"), 0u);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(s.RegistrationLog().empty());
  EXPECT_EQ(HostStarts(s).size(), 1u);
  ExpectLibraryKept(s);
}

// Closed once the files are being changed: the work is finished, and the exit code says so.
TEST(FaultWindowClosed, DuringRegistrationTheUpdateIsFinished) {
  Scenario s;
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5"), nullptr);
  Program program = s.Start();
  const Started started = AwaitWindow(program);
  ExpectWindow(started.window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(started.window, kOkId));
  // The first regsvr32 run has reached the library: the program is waiting for it.
  ASSERT_TRUE(WaitUntil([&] { return !s.RegistrationLog().empty(); }, kWindowTimeoutMs));
  const std::wstring shown = ReadWindow(started.window).label.text;
  const std::size_t calls = s.RegistrationLog().size();
  ASSERT_TRUE(e2e::CloseWindow(started.window));
  // Read while the register run had not yet begun: the result cannot have been shown then.
  if (calls == 1) {
    EXPECT_EQ(shown, InProgress());
  }
  EXPECT_EQ(program.WaitForExit(), kCurrent);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"1.2.3.5");
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_TRUE(HelperFilesLeft(s).empty());
  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; }))
      << "the host was not started again";
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  ExpectLibraryKept(s);
}

// ---- one instance at a time, also during an update ----

TEST(FaultSecondInstance, DuringAnUpdateEndsAtOnceAndTheFirstCompletes) {
  Scenario s;
  HostSettings settings;
  settings.mode = L"disabled";  // keeps the first instance waiting until the test closes it
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", settings);
  ASSERT_NE(host, nullptr);
  Program first = s.Start();
  const Started started = AwaitWindow(first);
  ExpectWindow(started.window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);
  ASSERT_TRUE(Click(started.window, kOkId));
  ASSERT_TRUE(WaitForText(started.window, Waiting()));

  Program second = s.Start();
  EXPECT_EQ(second.WaitForWindow(), nullptr) << "the second instance showed a window";
  EXPECT_EQ(second.WaitForExit(), kAlreadyRunning);
  EXPECT_EQ(ReadWindow(started.window).label.text, Waiting());
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(s.RegistrationLog().empty());

  ASSERT_TRUE(CloseHost(host));
  ASSERT_TRUE(WaitForText(started.window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(started.window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; }))
      << "the host was not started again";
  EXPECT_EQ(PressOk(first, started.window), kCurrent);
  EXPECT_EQ(HostStarts(s).size(), 2u);
  ExpectLibraryKept(s);
}

// ---- the system folder and regsvr32 ----

TEST(FaultSystemFolderReadOnly, UpdateTouchesNothing) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Scenario::Freeze frozen(s.SystemFolder());
  ASSERT_TRUE(frozen.Active()) << "cannot make the system folder immutable (chattr +i)";
  Program program = s.Start();
  const Started started = AwaitWindow(program);
  EXPECT_TRUE(started.boxes.empty());

  // The new copy cannot even be copied in, so the old one is never unregistered.
  ASSERT_TRUE(WaitForText(started.window, NotCopiedIn(L"1.2.3.4")));
  ExpectWindow(started.window, NotCopiedIn(L"1.2.3.4"), kRed, Buttons::Ok);
  EXPECT_TRUE(s.RegistrationLog().empty());
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_TRUE(HelperFilesLeft(s).empty());
  EXPECT_EQ(PressOk(program, started.window), kFailed);
  ExpectLibraryKept(s);
}

// The new copy will not register: the old one, which did, is put back and registered again, and
// the new one stays beside the program.
TEST(FaultRegistration, FailingRegisterOfTheNewCopyPutsTheOldOneBackRegistered) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5-register-fails");
  Program program = s.Start();
  const Started started = AwaitWindow(program);

  const std::wstring text = NewNotRegistered(L"1.2.3.5", L"1.2.3.4", 5);
  ASSERT_TRUE(WaitForText(started.window, text));
  ExpectWindow(started.window, text, kRed, Buttons::Ok);
  ExpectRegistrations(
      s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}, {L"register", L"1.2.3.4"}});
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
  EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5-register-fails"));
  EXPECT_TRUE(HelperFilesLeft(s).empty());
  EXPECT_EQ(PressOk(program, started.window), kFailed);
  ExpectLibraryKept(s);
}

TEST(FaultRegistration, FailingUnregisterOfTheOldCopyDoesNotStopTheUpdate) {
  Scenario s;
  s.Install(L"1.2.3.4-unregister-fails");
  s.Ship(L"1.2.3.5");
  Program program = s.Start();
  const Started started = AwaitWindow(program);

  ASSERT_TRUE(WaitForText(started.window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(started.window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.5"));
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  ExpectLibraryKept(s);
}

// ---- planted programs are never run ----

TEST(FaultPlantedPrograms, TheMarkerLeavesATraceWhenRun) {
  Scenario s;
  Planted planted(s.ProgramFolder() + L"\\regsvr32.exe");
  ASSERT_TRUE(planted.Active());
  Process run = s.Run(planted.Path(), L"/s x");
  EXPECT_EQ(run.WaitForExit(), 0u);
  EXPECT_TRUE(planted.Ran());
}

TEST(FaultPlantedPrograms, RegSvr32BesideTheProgramOrInItsCurrentFolderIsNeverRun) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.5");
  Planted beside(s.ProgramFolder() + L"\\regsvr32.exe");
  Planted current(CurrentFolderOfTheProgram(s) + L"\\regsvr32.exe");
  ASSERT_TRUE(beside.Active() && current.Active());
  Program program = s.Start();
  const Started started = AwaitWindow(program);

  ASSERT_TRUE(WaitForText(started.window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectWindow(started.window, Updated(L"1.2.3.4", L"1.2.3.5"), kGreen, Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"1.2.3.4"}, {L"register", L"1.2.3.5"}});
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  EXPECT_FALSE(beside.Ran());
  EXPECT_FALSE(current.Ran());
  ExpectLibraryKept(s);
}

TEST(FaultPlantedPrograms, ProgramExeAtTheDriveRootIsNeverRunForTheRestart) {
  Scenario s;
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5"), nullptr);
  // "Program Files" or, for a 32-bit program, "Program Files (x86)": unquoted, either path would
  // be tried as C:\Program.exe first.
  ASSERT_TRUE(s.HostPath().starts_with(L"C:\\Program Files")) << Narrow(s.HostPath());
  Planted root(L"C:\\Program.exe");
  ASSERT_TRUE(root.Active());
  Program program = s.Start();
  const Started started = AwaitWindow(program);
  ExpectWindow(started.window, Offer(L"1.2.3.4", L"1.2.3.5"), kDarkBlue, Buttons::OkAndCancel);

  ASSERT_TRUE(Click(started.window, kOkId));
  ASSERT_TRUE(WaitForText(started.window, Updated(L"1.2.3.4", L"1.2.3.5")));
  EXPECT_TRUE(WaitUntil([&] { return HostStarts(s).size() >= 2; }))
      << "the host was not started again";
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  EXPECT_FALSE(root.Ran());
  EXPECT_EQ(RunningCopiesOf(s.HostPath()), 1u);
  EXPECT_EQ(HostStarts(s), std::vector<std::wstring>(2, StartedByFullPath(s.HostPath())));
  ExpectLibraryKept(s);
}

// A version.dll beside the program, and Wine told to prefer such a copy to its own: the
// program loads its libraries from the system folder only, so the planted one never runs.
TEST(FaultPlantedLibrary, VersionDllBesideTheProgramIsNeverLoaded) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.4");
  const std::wstring planted = s.ProgramFolder() + L"\\version.dll";
  const std::wstring marker = s.ProgramFolder() + L"\\planted-marker.txt";
  ASSERT_TRUE(CopyFileW(FixtureFile(L"planted\\version.dll").c_str(), planted.c_str(), FALSE));
  const EnvironmentOverride markerPath(L"TARNWELL_PLANTED_MARKER", marker);
  // Wine takes its DLL overrides from the environment it was started with, not from one a
  // program sets for its children; the test runner (cmake/wine-run) sets version=n,b.
  std::wstring overrides(32768, L'\0');
  overrides.resize(GetEnvironmentVariableW(L"WINEDLLOVERRIDES", overrides.data(),
                                           static_cast<DWORD>(overrides.size())));
  if (overrides.find(L"version=n,b") == std::wstring::npos) {
    GTEST_SKIP() << "needs WINEDLLOVERRIDES with version=n,b in the environment Wine starts with "
                    "(cmake/wine-run sets it)";
  }

  // The planted copy is live: a program that imports user32 directly, started from the same
  // folder, loads it before its first line runs.
  {
    const std::wstring contrast = s.ProgramFolder() + L"\\CorvexIDE.exe";
    ASSERT_TRUE(CopyFileW(FixtureFile(L"corvex\\CorvexIDE.exe").c_str(), contrast.c_str(), FALSE));
    Process run = s.Run(contrast, L"");
    const bool marked = WaitUntil([&] { return FileExists(marker); });
    run.Kill();
    run.WaitForExit();
    ASSERT_TRUE(marked) << "the planted version.dll is not loaded even where it should be";
    ASSERT_TRUE(DeleteFileW(marker.c_str()));
  }

  Program program = s.Start();
  const Started started = AwaitWindow(program);
  // Both versions were read, through the system's version.dll.
  EXPECT_TRUE(WaitForText(started.window, UpToDate(L"1.2.3.4", s.ShippedPath(), L"1.2.3.4", true)));
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  EXPECT_FALSE(FileExists(marker)) << "the planted version.dll was loaded";
}

// ---- broken and extreme library files ----

enum class Bad { Folder, Empty, TruncatedLibrary, Text, HundredMegabytesOfZeros };

const char* NameOf(Bad bad) {
  switch (bad) {
    case Bad::Folder:
      return "a folder";
    case Bad::Empty:
      return "an empty file";
    case Bad::TruncatedLibrary:
      return "the first 200 bytes of a library";
    case Bad::Text:
      return "a text file";
    case Bad::HundredMegabytesOfZeros:
      return "100 MB of zeros";
  }
  return "?";
}

constexpr Bad kBadFiles[] = {Bad::Folder, Bad::Empty, Bad::TruncatedLibrary, Bad::Text,
                             Bad::HundredMegabytesOfZeros};

bool WriteFileBytes(const std::wstring& path, const void* data, DWORD size) {
  platform::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return file &&
         (size == 0 || (WriteFile(file.get(), data, size, &written, nullptr) && written == size));
}

bool Make(Bad bad, const std::wstring& path) {
  switch (bad) {
    case Bad::Folder:
      return CreateDirectoryW(path.c_str(), nullptr) != FALSE;
    case Bad::Empty:
      return WriteFileBytes(path, nullptr, 0);
    case Bad::TruncatedLibrary: {
      const auto bytes = Scenario::FixtureBytes(L"1.2.3.4");
      return bytes.size() > 200 && WriteFileBytes(path, bytes.data(), 200);
    }
    case Bad::Text: {
      const char text[] = "Quandrel.dll\r\nThis is a note, not a library.\r\n";
      return WriteFileBytes(path, text, sizeof text - 1);
    }
    case Bad::HundredMegabytesOfZeros: {
      // Set by its end, not written: the file system leaves it sparse, so it costs no time.
      platform::FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
      LARGE_INTEGER size{};
      size.QuadPart = 100LL * 1024 * 1024;
      return file && SetFilePointerEx(file.get(), size, nullptr, FILE_BEGIN) &&
             SetEndOfFile(file.get());
    }
  }
  return false;
}

// Neither copy is touched: a folder is no library, and a file without a readable version proves
// nothing about the installed copy.
TEST(FaultBadShippedCopy, IsReportedAndKeptAndTheInstalledCopyIsKept) {
  for (Bad bad : kBadFiles) {
    SCOPED_TRACE(NameOf(bad));
    Scenario s;
    s.Install(L"1.2.3.4");
    ASSERT_TRUE(Make(bad, s.ShippedPath()));
    Program program = s.Start();
    const Started started = AwaitWindow(program);

    if (bad == Bad::Folder) {
      EXPECT_TRUE(started.boxes.empty());
      ExpectWindow(started.window, NotAPlainFile(s.ShippedPath()), kRed, Buttons::Ok);
    } else {
      EXPECT_EQ(started.boxes, std::vector<std::wstring>{kNoVersionBox});
      ExpectWindow(started.window, UpToDate(L"1.2.3.4", s.ShippedPath(), L"", false), kRed,
                   Buttons::Ok);
    }
    EXPECT_EQ(PressOk(program, started.window), kFailed);
    EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
    EXPECT_NE(GetFileAttributesW(s.ShippedPath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(s.TrashedFiles().empty());
    EXPECT_TRUE(s.RegistrationLog().empty());
    ExpectLibraryKept(s);
  }
}

TEST(FaultBadInstalledCopy, IsLeftAloneAndTheShippedCopyIsKept) {
  for (Bad bad : kBadFiles) {
    SCOPED_TRACE(NameOf(bad));
    Scenario s;
    ASSERT_TRUE(Make(bad, s.InstalledPath()));
    s.Ship(L"1.2.3.5");
    Program program = s.Start();
    const Started started = AwaitWindow(program);

    EXPECT_EQ(started.boxes, std::vector<std::wstring>{kNoVersionBox});
    ExpectWindow(started.window, UpToDate(L"", s.ShippedPath(), L"1.2.3.5", false), kRed,
                 Buttons::Ok);
    EXPECT_EQ(PressOk(program, started.window), kFailed);
    EXPECT_EQ(ReadBytes(s.ShippedPath()), Scenario::FixtureBytes(L"1.2.3.5"));
    EXPECT_NE(GetFileAttributesW(s.InstalledPath().c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(s.TrashedFiles().empty());
    EXPECT_TRUE(s.RegistrationLog().empty());
    ExpectLibraryKept(s);
  }
}

TEST(FaultVersionExtremes, LowestInstalledIsReplacedByHighest) {
  Scenario s;
  s.Install(L"0.0.0.0");
  s.Ship(L"65535.65535.65535.65535");
  Program program = s.Start();
  const Started started = AwaitWindow(program);

  EXPECT_TRUE(started.boxes.empty());
  ASSERT_TRUE(WaitForText(started.window, Updated(L"0.0.0.0", L"65535.65535.65535.65535")));
  ExpectWindow(started.window, Updated(L"0.0.0.0", L"65535.65535.65535.65535"), kGreen,
               Buttons::Ok);
  ExpectRegistrations(s, {{L"unregister", L"0.0.0.0"}, {L"register", L"65535.65535.65535.65535"}});
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"65535.65535.65535.65535");
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  ExpectLibraryKept(s);
}

TEST(FaultVersionExtremes, HighestInstalledIsKeptOverLowest) {
  Scenario s;
  s.Install(L"65535.65535.65535.65535");
  s.Ship(L"0.0.0.0");
  Program program = s.Start();
  const Started started = AwaitWindow(program);

  EXPECT_TRUE(started.boxes.empty());
  ExpectWindow(started.window,
               UpToDate(L"65535.65535.65535.65535", s.ShippedPath(), L"0.0.0.0", true), kRed,
               Buttons::Ok);
  EXPECT_EQ(PressOk(program, started.window), kCurrent);
  EXPECT_EQ(FileVersionOf(s.InstalledPath()), L"65535.65535.65535.65535");
  EXPECT_FALSE(FileExists(s.ShippedPath()));
  EXPECT_TRUE(s.RegistrationLog().empty());
  ExpectLibraryKept(s);
}

}  // namespace
}  // namespace tarnwell::e2e
