#pragma once
// Steps and checks the end-to-end tests share: waiting for a state, reading the window against
// what is expected, pressing OK, and reading what the program left behind (versions, regsvr32
// calls, the host's log, running copies, backups).

#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/UniqueHandle.h"
#include "tests/e2e/Expected.h"
#include "tests/e2e/driver/Scenario.h"
#include "tests/support/FileVersion.h"

namespace tarnwell::e2e {

// ---- waiting ----

// Polls `done` every 20 ms; false if it is still not true after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs = kSettleTimeoutMs);

// Waits until the label reads `text`; a failure names what it read last.
::testing::AssertionResult WaitForText(HWND window, const std::wstring& text,
                                       DWORD timeoutMs = kWindowTimeoutMs);

// Waits until the window shows an outcome: OK alone, the work over. False if it never does.
bool WaitForOutcome(HWND window, DWORD timeoutMs = kWindowTimeoutMs);

// ---- setting up ----

// Sets an environment variable for the processes started meanwhile; restores it afterwards.
class EnvironmentOverride {
 public:
  EnvironmentOverride(const wchar_t* name, const std::wstring& value);
  ~EnvironmentOverride();
  EnvironmentOverride(const EnvironmentOverride&) = delete;
  EnvironmentOverride& operator=(const EnvironmentOverride&) = delete;

 private:
  const wchar_t* name_;
  std::optional<std::wstring> old_;
};

// An update waiting for the user: the host installed with `host` and running, `installed` in the
// system folder and `shipped` beside the program. The host's window; nullptr if none showed.
HWND StageUpdateWithHostRunning(Scenario& s, const std::wstring& installed,
                                const std::wstring& shipped, const HostSettings& host = {});

// Posts a close request to a host window and waits until its process has ended.
bool CloseHost(HWND host);

// ---- the window ----

// Which buttons show: OK alone, Cancel alone (while the host is awaited), or both.
enum class Buttons { Ok, Cancel, OkAndCancel };

// The label is drawn in `colour` (at least 30 pixels of it) and in no other label colour.
void ExpectLabelDrawnIn(HWND window, COLORREF colour);

// The window is visible and shows `text` in `colour` as drawn, with the buttons given.
void ExpectWindow(HWND window, const std::wstring& text, COLORREF colour, Buttons buttons);

// Presses OK and returns the exit code; nothing if the program had to be killed.
std::optional<DWORD> PressOk(Program& program, HWND window);

// ---- the files ----

// A file the fixtures' build folder holds, e.g. L"corvex\\CorvexIDE.exe".
std::wstring FixtureFile(const std::wstring& relativePath);

// The version in a library's fixed version record, "a.b.c.d"; nothing when there is none.
using tarnwell::testing::FileVersionOf;

// The file at `path` holds exactly the given fixture's bytes. A failure says what it holds
// instead, by size and version, not byte by byte: printing two large byte vectors crashes the
// i686 test under the emulator.
::testing::AssertionResult HoldsFixture(const std::wstring& path, std::wstring_view fixture);

// Files the program keeps beside the installed copy while it works (names starting with
// "Quandrel.dll."): none may be left once it has ended.
std::vector<std::wstring> HelperFilesLeft(const Scenario& s);

// The trash holds exactly one file, the given fixture's bytes.
void ExpectTrashHolds(const Scenario& s, std::wstring_view fixture);

// Holds a file open from the test, sharing reads only: it can be read and loaded, but neither
// deleted nor renamed, as when another application uses it.
class HeldOpen {
 public:
  explicit HeldOpen(const std::wstring& path);
  bool Active() const { return static_cast<bool>(file_); }

 private:
  platform::FileHandle file_;
};

// ---- regsvr32 ----

struct Registration {
  std::wstring verb, path, version;
};

// What regsvr32 asked the library to do, in order ("register <path> <version>").
std::vector<Registration> Registrations(const Scenario& s);

using ExpectedCalls = std::vector<std::pair<std::wstring, std::wstring>>;

// The calls, each made for the installed copy, as verb and version.
void ExpectRegistrations(const std::vector<Registration>& calls, const Scenario& s,
                         const ExpectedCalls& expected);
// The same for the calls logged so far.
void ExpectRegistrations(const Scenario& s, const ExpectedCalls& expected);

// The last call logged for the installed copy; nothing if there was none.
std::optional<Registration> LastRegistrationOfTheInstalledCopy(const Scenario& s);

// After the program has ended: a readable library is left in one of the two places, and an
// installed one whose registration was touched was registered last, in its own version.
void ExpectLibraryKept(const Scenario& s);

// ---- the host ----

// Each start of the host, as its log records it: "start <command line>".
std::vector<std::wstring> HostStarts(const std::vector<std::wstring>& log);
std::vector<std::wstring> HostStarts(const Scenario& s);

// How a start by its full, quoted path looks in the log; the driver starts the host the same way.
std::wstring StartedByFullPath(const std::wstring& hostPath);

std::size_t HostLogCount(const Scenario& s, const std::wstring& line);
bool HostLogHas(const Scenario& s, const std::wstring& line);

// Processes running now from the executable `image`.
std::size_t RunningCopiesOf(const std::wstring& image);

}  // namespace tarnwell::e2e
