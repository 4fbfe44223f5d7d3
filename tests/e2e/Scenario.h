#pragma once
// Drives the real program from outside, under Wine: lays out a program folder with chosen
// fixture libraries, an installed copy and optionally the fake host; starts the program;
// reads its window (texts, buttons, geometry in pixels, colours as drawn); answers its
// message boxes; clicks and closes; and afterwards reports files, logs and the trash.
// Everything a Scenario creates it removes again, whatever the test's outcome.

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/UniqueHandle.h"

namespace tarnwell::e2e {

// Every wait in the driver is bounded; these are generous because a cold wine server can be slow.
inline constexpr DWORD kWindowTimeoutMs = 20000;
inline constexpr DWORD kExitTimeoutMs = 20000;
inline constexpr DWORD kSettleTimeoutMs = 10000;

inline constexpr wchar_t kMainWindowTitle[] = L"Quandrel.dll  Update";
inline constexpr wchar_t kMessageBoxTitle[] = L"TarnwellUpdate";
inline constexpr wchar_t kHostWindowTitle[] = L"Corvex IDE";
inline constexpr int kLabelId = 100;
inline constexpr int kOkId = 101;
inline constexpr int kCancelId = 102;

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view wide);
// Case-insensitive, as Windows compares paths.
bool SamePath(std::wstring_view a, std::wstring_view b);
// A Unix path as the Windows side sees it (Z:\...), and back.
std::wstring WindowsPathOf(const std::string& unixPath);
std::string UnixPathOf(const std::wstring& windowsPath);

bool FileExists(const std::wstring& path);
std::vector<std::uint8_t> ReadBytes(const std::wstring& path);
// Lines of a UTF-8 text file, without line ends; empty when the file is missing.
std::vector<std::wstring> ReadLines(const std::wstring& path);

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(const Rect& inner) const {
    return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
  }
};

struct ControlState {
  bool exists = false;
  bool visible = false;
  std::wstring className;
  std::wstring text;
  Rect rect;  // screen pixels
};

struct WindowState {
  HWND window = nullptr;
  std::wstring title;
  bool visible = false;
  bool topmost = false;
  Rect rect;  // outer rectangle, screen pixels
  ControlState label;
  ControlState ok;
  ControlState cancel;
};

WindowState ReadWindow(HWND window);

// Pixels of the window as drawn, inside `area` (screen pixels), by colour 0xBBGGRR.
struct PixelCounts {
  std::size_t total = 0;
  std::size_t darkBlue = 0, red = 0, green = 0, orange = 0;
  std::size_t Of(COLORREF colour) const;
};
PixelCounts CountPixels(HWND window, const Rect& area);

struct MessageBoxState {
  HWND box = nullptr;
  std::wstring title;
  std::wstring text;
};

// A process started by the driver, inside the scenario's job. Waits are bounded; a process
// still running when its wait runs out is killed.
class Process {
 public:
  Process() = default;
  Process(win32::KernelHandle process, DWORD id) : process_(std::move(process)), id_(id) {}
  DWORD Id() const { return id_; }
  HANDLE Handle() const { return process_.get(); }
  bool Running() const;
  // The exit code, or nothing when it had to be killed after `timeoutMs`.
  std::optional<DWORD> WaitForExit(DWORD timeoutMs = kExitTimeoutMs);
  void Kill();

 private:
  win32::KernelHandle process_;
  DWORD id_ = 0;
};

// The program under test, running.
class Program : public Process {
 public:
  using Process::Process;
  // Its main window once visible; nullptr if none appears in time or the process ends first.
  HWND WaitForWindow(DWORD timeoutMs = kWindowTimeoutMs) const;
  // A message box of this process; nothing if none appears in time.
  std::optional<MessageBoxState> WaitForMessageBox(DWORD timeoutMs = kWindowTimeoutMs) const;
  // Top-level windows this process shows now.
  std::vector<HWND> VisibleWindows() const;
};

// Presses OK on a message box and waits until it has gone.
bool AnswerMessageBox(const MessageBoxState& box, DWORD timeoutMs = kWindowTimeoutMs);
// BM_CLICK, posted: the program may be busy and a sent message would block the test.
bool Click(HWND window, int controlId);
bool CloseWindow(HWND window);
// Waits until the label has been drawn in `colour` (a few pixels suffice), then counts.
PixelCounts WaitForLabelColour(HWND window, COLORREF colour, DWORD timeoutMs = kSettleTimeoutMs);

struct HostSettings {
  std::wstring mode = L"close";  // close | close-after | refuse | disabled
  unsigned closeDelayMs = 0;
  unsigned lingerMs = 0;
  std::wstring holdFile;
};

struct ScenarioOptions {
  // Appended to the program folder's name, e.g. non-ASCII characters.
  std::wstring folderSuffix;
  // Creates $XDG_DATA_HOME/Trash/{files,info}, without which Wine deletes for good.
  bool trash = true;
  // Copies the program into the program folder.
  bool program = true;
};

class Scenario {
 public:
  explicit Scenario(ScenarioOptions options = {});
  ~Scenario();
  Scenario(const Scenario&) = delete;
  Scenario& operator=(const Scenario&) = delete;

  const std::wstring& ProgramFolder() const { return programFolder_; }
  std::wstring ProgramPath() const { return programFolder_ + L"\\TarnwellUpdate.exe"; }
  std::wstring ShippedPath() const { return programFolder_ + L"\\Quandrel.dll"; }
  const std::wstring& SystemFolder() const { return systemFolder_; }
  std::wstring InstalledPath() const { return systemFolder_ + L"\\Quandrel.dll"; }
  const std::wstring& HostPath() const { return hostPath_; }

  // A fixture as built: quandrel-<name>\Quandrel.dll.
  static std::wstring FixturePath(std::wstring_view fixture);
  static std::vector<std::uint8_t> FixtureBytes(std::wstring_view fixture);

  void Ship(std::wstring_view fixture);
  void Install(std::wstring_view fixture);
  void InstallHost(const HostSettings& settings = {});
  // Starts the fake host and waits for its window; nullptr if it does not appear.
  HWND StartHost();
  Program Start();
  // Any other program, e.g. regsvr32, inside the scenario's job.
  Process Run(const std::wstring& application, const std::wstring& arguments);

  std::vector<std::wstring> RegistrationLog() const { return ReadLines(registrationLog_); }
  std::vector<std::wstring> HostLog() const { return ReadLines(hostLog_); }
  // Names in Trash\files.
  std::vector<std::wstring> TrashedFiles() const;
  std::wstring TrashFilesFolder() const { return trashFolder_ + L"\\files"; }

  // Makes a folder immutable (chattr +i on the Linux side: tests run as root, so permissions
  // would not stop the program) for the guard's lifetime. Active() tells whether it took.
  class Freeze {
   public:
    explicit Freeze(const std::wstring& folder);
    ~Freeze();
    Freeze(const Freeze&) = delete;
    Freeze& operator=(const Freeze&) = delete;
    bool Active() const { return active_; }

   private:
    std::wstring folder_;
    bool active_ = false;
  };

 private:
  std::pair<win32::KernelHandle, DWORD> Launch(const std::wstring& path, const std::wstring& workingFolder,
                                               const std::wstring& arguments = {});
  void RemoveEverything();

  ScenarioOptions options_;
  std::wstring root_;
  std::wstring programFolder_;
  std::wstring systemFolder_;
  std::wstring hostFolder_;
  std::wstring hostPath_;
  std::wstring registrationLog_;
  std::wstring hostLog_;
  std::wstring trashFolder_;
  bool trashCreatedHere_ = false;
  std::optional<std::wstring> savedLogVariable_;
  win32::KernelHandle job_;
  std::vector<win32::KernelHandle> started_;  // duplicates, to wait for them at the end
};

}  // namespace tarnwell::e2e
