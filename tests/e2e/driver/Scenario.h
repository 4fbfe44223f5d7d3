#pragma once
// Lays out a scenario under Wine and drives the real program in it: a program folder with chosen
// fixture libraries, an installed copy and optionally the fake host; starts the program; and
// afterwards reports files, logs and the trash. Everything a Scenario creates it removes again,
// whatever the test's outcome.

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/UniqueHandle.h"
#include "platform/WideText.h"
#include "tests/e2e/driver/Processes.h"
#include "tests/e2e/driver/Waits.h"
#include "tests/e2e/driver/WindowReader.h"
#include "tests/e2e/driver/WineHost.h"
#include "tests/support/Files.h"

namespace tarnwell::e2e {

using platform::Narrow;
using platform::Widen;
using tarnwell::testing::FileExists;
using tarnwell::testing::ReadBytes;
using tarnwell::testing::ReadLines;

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
  // The program, with `arguments` after its quoted path (none: a plain start).
  Program Start(const std::wstring& arguments = {});
  // The same program reached by another path, e.g. through a link to its folder.
  Program StartAt(const std::wstring& program, const std::wstring& arguments = {});
  // Any other program, e.g. regsvr32, inside the scenario's job.
  Process Run(const std::wstring& application, const std::wstring& arguments);

  std::vector<std::wstring> RegistrationLog() const { return ReadLines(registrationLog_); }
  std::vector<std::wstring> HostLog() const { return ReadLines(hostLog_); }
  // Names in Trash\files.
  std::vector<std::wstring> TrashedFiles() const;
  std::wstring TrashFilesFolder() const { return trashFolder_ + L"\\files"; }

  using Freeze = e2e::Freeze;

 private:
  std::pair<platform::KernelHandle, DWORD> Launch(const std::wstring& path,
                                                  const std::wstring& workingFolder,
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
  platform::KernelHandle job_;
  std::vector<platform::KernelHandle> started_;  // duplicates, to wait for them at the end
};

}  // namespace tarnwell::e2e
