#include "tests/e2e/Steps.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>

namespace tarnwell::e2e {

bool WaitUntil(const std::function<bool()>& done, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

::testing::AssertionResult WaitForText(HWND window, const std::wstring& text, DWORD timeoutMs) {
  std::wstring last;
  // A window that has gone will not read `text` again.
  if (WaitUntil([&] { return (last = ReadWindow(window).label.text) == text || !IsWindow(window); },
                timeoutMs) &&
      last == text)
    return ::testing::AssertionSuccess();
  auto failure = ::testing::AssertionFailure() << "the label never read\n"
                                               << Narrow(text) << "\nlast read:\n"
                                               << Narrow(last);
  // A box the program opened meanwhile is the likeliest reason; say what it read.
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  for (const MessageBoxState& box :
       processId ? OpenMessageBoxes(processId) : std::vector<MessageBoxState>{})
    failure << "\na box was open: \"" << Narrow(box.title) << "\": \"" << Narrow(box.text) << "\"";
  return failure;
}

bool WaitForOutcome(HWND window, DWORD timeoutMs) {
  return WaitUntil(
      [&] {
        const WindowState state = ReadWindow(window);
        return state.ok.visible && !state.cancel.visible;
      },
      timeoutMs);
}

EnvironmentOverride::EnvironmentOverride(const wchar_t* name, const std::wstring& value)
    : name_(name) {
  std::wstring old(32768, L'\0');
  const DWORD length = GetEnvironmentVariableW(name, old.data(), static_cast<DWORD>(old.size()));
  if (length > 0 && length < old.size()) old_ = old.substr(0, length);
  SetEnvironmentVariableW(name, value.c_str());
}

EnvironmentOverride::~EnvironmentOverride() {
  SetEnvironmentVariableW(name_, old_ ? old_->c_str() : nullptr);
}

HWND StageUpdateWithHostRunning(Scenario& s, const std::wstring& installed,
                                const std::wstring& shipped, const HostSettings& host) {
  s.InstallHost(host);
  HWND window = s.StartHost();
  s.Install(installed);
  s.Ship(shipped);
  return window;
}

void ExpectLabelDrawnIn(HWND window, COLORREF colour) {
  const PixelCounts pixels = WaitForLabelColour(window, colour);
  EXPECT_GE(pixels.Of(colour), 30u) << "the label is not drawn in 0x" << std::hex << colour;
  for (COLORREF other : kLabelColours) {
    if (other != colour) {
      EXPECT_EQ(pixels.Of(other), 0u) << "label pixels in 0x" << std::hex << other;
    }
  }
}

void ExpectWindow(HWND window, const std::wstring& text, COLORREF colour, Buttons buttons) {
  ASSERT_NE(window, nullptr) << "the program showed no window";
  // The window may show the work in progress first; the outcome follows once it is done.
  static_cast<void>(WaitForText(window, text));
  const WindowState state = ReadWindow(window);
  EXPECT_TRUE(state.visible);
  EXPECT_EQ(state.label.text, text);
  EXPECT_EQ(state.ok.visible, buttons != Buttons::Cancel);
  EXPECT_EQ(state.cancel.visible, buttons != Buttons::Ok);
  // The colour goes with the text: another outcome never draws it, and waiting for it in vain
  // repeats a capture that, under the emulator, now and then crashes the test itself.
  if (state.label.text == text) ExpectLabelDrawnIn(window, colour);
}

std::optional<DWORD> PressOk(Program& program, HWND window) {
  EXPECT_TRUE(Click(window, kOkId));
  return program.WaitForExit();
}

bool CloseHost(HWND host) {
  DWORD id = 0;
  GetWindowThreadProcessId(host, &id);
  platform::KernelHandle process(OpenProcess(SYNCHRONIZE, FALSE, id));
  if (!process || !PostMessageW(host, WM_CLOSE, 0, 0)) return false;
  return WaitForSingleObject(process.get(), kExitTimeoutMs) == WAIT_OBJECT_0;
}

std::wstring FixtureFile(const std::wstring& relativePath) {
  return WindowsPathOf(TARNWELL_FIXTURES_DIR) + L"\\" + relativePath;
}

::testing::AssertionResult HoldsFixture(const std::wstring& path, std::wstring_view fixture) {
  const auto expected = Scenario::FixtureBytes(fixture);
  if (!FileExists(path)) return ::testing::AssertionFailure() << Narrow(path) << " is missing";
  const auto actual = ReadBytes(path);
  if (actual == expected) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << Narrow(path) << " holds " << actual.size() << " bytes, version "
         << Narrow(FileVersionOf(path).value_or(L"(none)")) << "; the fixture "
         << Narrow(std::wstring(fixture)) << " has " << expected.size() << " bytes";
}

std::vector<std::wstring> HelperFilesLeft(const Scenario& s) {
  constexpr std::wstring_view kPrefix = L"Quandrel.dll.";
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found{};
  platform::FindHandle search(
      FindFirstFileW((s.SystemFolder() + L"\\Quandrel.dll*").c_str(), &found));
  if (!search) return names;
  do {
    const std::wstring_view name = found.cFileName;
    if (name.size() > kPrefix.size() && SamePath(name.substr(0, kPrefix.size()), kPrefix))
      names.emplace_back(name);
  } while (FindNextFileW(search.get(), &found));
  return names;
}

void ExpectTrashHolds(const Scenario& s, std::wstring_view fixture) {
  const auto trashed = s.TrashedFiles();
  ASSERT_EQ(trashed.size(), 1u) << "files in the trash";
  EXPECT_EQ(ReadBytes(s.TrashFilesFolder() + L"\\" + trashed[0]), Scenario::FixtureBytes(fixture));
}

HeldOpen::HeldOpen(const std::wstring& path)
    : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                        FILE_ATTRIBUTE_NORMAL, nullptr)) {}

std::vector<Registration> Registrations(const Scenario& s) {
  std::vector<Registration> calls;
  for (const auto& line : s.RegistrationLog()) {
    const auto first = line.find(L' '), last = line.rfind(L' ');
    if (first == std::wstring::npos || first == last)
      calls.push_back({line, {}, {}});
    else
      calls.push_back(
          {line.substr(0, first), line.substr(first + 1, last - first - 1), line.substr(last + 1)});
  }
  return calls;
}

void ExpectRegistrations(const std::vector<Registration>& calls, const Scenario& s,
                         const ExpectedCalls& expected) {
  ASSERT_EQ(calls.size(), expected.size()) << "regsvr32 calls";
  for (std::size_t i = 0; i < calls.size(); ++i) {
    SCOPED_TRACE("call " + std::to_string(i) + ": " +
                 Narrow(calls[i].verb + L" " + calls[i].version));
    EXPECT_EQ(calls[i].verb, expected[i].first);
    EXPECT_TRUE(SamePath(calls[i].path, s.InstalledPath())) << Narrow(calls[i].path);
    EXPECT_EQ(calls[i].version, expected[i].second);
  }
}

void ExpectRegistrations(const Scenario& s, const ExpectedCalls& expected) {
  ExpectRegistrations(Registrations(s), s, expected);
}

std::optional<Registration> LastRegistrationOfTheInstalledCopy(const Scenario& s) {
  std::optional<Registration> last;
  for (auto& call : Registrations(s))
    if (SamePath(call.path, s.InstalledPath())) last = std::move(call);
  return last;
}

void ExpectLibraryKept(const Scenario& s) {
  const auto installed = FileVersionOf(s.InstalledPath());
  const auto shipped = FileVersionOf(s.ShippedPath());
  EXPECT_TRUE(installed || shipped) << "no Quandrel.dll with a readable version is left";
  if (!installed) return;
  if (const auto last = LastRegistrationOfTheInstalledCopy(s)) {
    EXPECT_EQ(last->verb, L"register") << "the installed copy was left unregistered";
    EXPECT_EQ(last->version, *installed);
  }
}

std::vector<std::wstring> HostStarts(const std::vector<std::wstring>& log) {
  std::vector<std::wstring> starts;
  for (const auto& line : log)
    if (line.starts_with(L"start ")) starts.push_back(line);
  return starts;
}

std::vector<std::wstring> HostStarts(const Scenario& s) { return HostStarts(s.HostLog()); }

std::wstring StartedByFullPath(const std::wstring& hostPath) {
  return L"start \"" + hostPath + L"\"";
}

std::size_t HostLogCount(const Scenario& s, const std::wstring& line) {
  const auto log = s.HostLog();
  return static_cast<std::size_t>(std::count(log.begin(), log.end(), line));
}

bool HostLogHas(const Scenario& s, const std::wstring& line) { return HostLogCount(s, line) > 0; }

std::size_t RunningCopiesOf(const std::wstring& image) {
  std::size_t count = 0;
  platform::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) return 0;
  do {
    platform::KernelHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, entry.th32ProcessID));
    if (!process || WaitForSingleObject(process.get(), 0) != WAIT_TIMEOUT) continue;
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = ARRAYSIZE(path);
    if (QueryFullProcessImageNameW(process.get(), 0, path, &size) && SamePath(path, image)) ++count;
  } while (Process32NextW(snapshot.get(), &entry));
  return count;
}

}  // namespace tarnwell::e2e
