#pragma once
// An operating system in memory, in every role the controller uses: files with versions, IDE
// windows, a registration tool, a clock that moves with every yield, and the report. Scripted
// by the tests; everything it is asked to do is written to `log`.

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/system/Services.h"

namespace tarnwell::testing {

inline const std::string kProgramFolder = "C:\\Tools\\Update";
inline const std::string kSystemFolder = "C:\\Windows\\SysWOW64";
inline const std::string kShipped = kProgramFolder + "\\Quandrel.dll";
inline const std::string kInstalled = kSystemFolder + "\\Quandrel.dll";
inline const std::string kIdeProgram = "C:\\Program Files\\CorvexIDE\\CorvexIDE.exe";
inline const std::string kSystemDirectory = "C:\\Windows\\system32";
inline const std::string kRegSvr32 = kSystemDirectory + "\\regsvr32.exe";
// The file work's helper files beside the installed copy.
inline const std::string kStaged = kInstalled + ".update-new";
inline const std::string kBackup = kInstalled + ".update-old";
inline const std::string kJournal = kInstalled + ".update-journal";
// What the fake processes offer a yield to wake on.
inline constexpr NativeWaitable kRegisterWaitable = 0x5001;
inline constexpr NativeWaitable kUnregisterWaitable = 0x5002;
inline constexpr NativeWaitable kIdeWaitable = 0x5003;
// Process ids of the fake processes: the IDE, and each registration tool run from this one on.
inline constexpr std::uint32_t kIdeProcessId = 700;
inline constexpr std::uint32_t kFirstToolProcessId = 800;

// Thrown by the fake when the program is to stop dead after a step, as if killed.
struct Killed {};

class FakeSystem final : public Instance,
                         public Folders,
                         public Files,
                         public Tasks,
                         public Launcher,
                         public Signatures,
                         public Clock,
                         public MessagePump,
                         public Report,
                         public Holders {
 public:
  struct File {
    std::string version;  // "" for a file without version information
    bool locked = false;  // held open by someone: neither deleted nor moved
    std::uint64_t size = 4096;
    bool folder = false;    // a folder of that name
    bool readOnly = false;  // a file that refuses to be deleted
    bool link = false;      // reached through a link of its own, or it has a second name
    int id = 0;             // which file it is, wherever its path: given when first held
    bool held = false;      // the program holds it by handle
    Signature signature{};  // unsigned unless a test signs it
  };
  // How the registration tool behaves.
  struct Tool {
    bool starts = true;
    bool finishes = true;
    std::uint32_t exitCode = 0;
    int runningPolls = 2;  // polls that still see it running
    // Versions of the library whose registration fails with exit code 5 whatever `exitCode`.
    std::set<std::string> failsFor;
  };

  // ---- scripted state
  bool previousInstance = false;
  // The running instance shows a window that can be raised.
  bool runningInstanceWindow = true;
  std::string programFolder = kProgramFolder;
  std::string systemFolder = kSystemFolder;
  std::string programFilesFolder = "C:\\Program Files";
  std::map<std::string, File> files;
  Tool registerTool;
  Tool unregisterTool;
  int ideWindows = 0;
  bool ideDisabled = false;
  bool ideRefusesToClose = false;
  // Polls of the IDE's process that still see it running once its windows are gone.
  int ideProcessLingers = 0;
  bool elevated = false;
  bool desktopLaunchWorks = true;
  bool normalUserLaunchWorks = true;
  std::string systemDirectory = kSystemDirectory;
  // The program's own signature; unsigned, as a build nobody signed.
  Signature programSignature;
  // Paths that cannot be created (a full disk) or renamed away.
  std::set<std::string> cannotCreate;
  std::set<std::string> cannotRename;
  // The version registered for the installed copy; "" when it is not registered.
  std::string registered;
  // The program stops dead after this many steps (file changes, tool starts and ends); 0: never.
  int killAfterStep = 0;
  // The steps taken, named as in `log`.
  std::vector<std::string> steps;
  // Runs before each copy, as if the source changed just then.
  std::function<void(const std::string& source)> beforeCopy;
  // Runs when a file can first be opened by others at `path`: created there by path, or let go
  // of by the program; a test's reader takes it here.
  std::function<void(const std::string& path)> onOpenable;
  // Runs after every search for the IDE's window; `searches` counts them, starting at 1.
  std::function<void(int searches)> onTaskSearch;
  int taskSearches = 0;
  // Runs inside EndTask's single yield.
  std::function<void()> onEndTaskYield;
  std::uint64_t now = 1000;
  // Runs on every yield; `yields` counts them, starting at 1.
  std::function<void(int yields)> onYield;

  // The processes that have a library loaded, by its path, as the next scan finds them.
  std::map<std::string, std::vector<Holder>> loadedBy;
  // Who keeps a file from being moved, by its path, as far as the platform tells.
  std::map<std::string, std::vector<Holder>> blockedBy;
  // Runs before every scan for the processes that have a library loaded; counted from 1.
  std::function<void(int scans)> beforeHolderScan;

  // ---- what happened
  std::vector<std::string> log;
  std::vector<std::string> commandLines;
  std::vector<std::string> launchFolders;
  std::vector<NativeWindow> deleteOwners;
  int instanceChecks = 0;
  int holderScans = 0;
  int endedWith = -1;
  int versionBoxes = 0;
  int closeRequests = 0;
  std::vector<std::string> trash;
  int yields = 0;
  std::chrono::milliseconds idleWaited{0};
  // What each yield could wake on besides input.
  std::vector<NativeWaitable> wakeOns;
  // The report: lines for the log, and the boxes shown as "title: text".
  std::vector<std::string> notes;
  std::vector<std::string> boxes;

  // Convenience.
  void Ship(const std::string& version) { files[kShipped] = {version}; }
  void Install(const std::string& version) {
    files[kInstalled] = {version};
    registered = version;
  }
  // Paths whose name starts with `prefix`.
  std::vector<std::string> FilesStartingWith(const std::string& prefix) const;
  void InstallIde() { files[kIdeProgram] = {"1.0.0.0"}; }
  bool Has(const std::string& path) const { return files.count(path) != 0; }
  std::string VersionAt(const std::string& path) const;
  bool Logged(const std::string& entry) const;
  int Count(const std::string& prefix) const;

  // Every role played by this one system, reporting to itself or to `report`.
  Services All() { return All(*this); }
  Services All(Report& report) {
    return {*this, *this, *this, *this, *this, *this, *this, *this, report, *this};
  }

  // ---- the roles
  bool PreviousInstanceRunning() override;
  bool RaiseRunningInstance() override;
  void EndProcess(int exitCode) override;
  std::string ProgramFolder() override { return programFolder; }
  std::string SystemDirectory() override { return systemDirectory; }
  std::unique_ptr<Process> Launch(const std::string& program, const std::string& commandLine,
                                  int windowState, const std::string& workingFolder) override;
  bool IsElevated() override { return elevated; }
  bool LaunchAsDesktopUser(const std::string& program) override;
  bool LaunchAsNormalUser(const std::string& program, int windowState) override;
  std::unique_ptr<Process> OpenTaskProcess(const std::string& caption) override;
  std::uint64_t TickCount() override { return now; }
  bool FileExists(const std::string& path) override { return Has(path); }
  bool IsTaskRunning(const std::string& caption) override;
  std::int16_t EndTask(const std::string& caption) override;
  std::string GetSystemFolder(NativeWindow) override { return systemFolder; }
  std::string GetProgramFilesFolder(NativeWindow) override { return programFilesFolder; }
  VersionInfo GetVersionInfo(const std::string& path) override;
  void ShellDeleteFile(const std::string& path, NativeWindow owner) override;
  std::optional<std::uint64_t> FileSize(const std::string& path) override;
  PathKind KindOf(const std::string& path) override;
  Holding Hold(const std::string& path) override;
  std::unique_ptr<HeldFile> CopyNew(HeldFile& source, const std::string& destination) override;
  std::unique_ptr<HeldFile> CopyNew(const std::string& source,
                                    const std::string& destination) override;
  std::unique_ptr<HeldFile> CreateMarker(const std::string& path) override;
  bool RenameFile(const std::string& source, const std::string& destination) override;
  bool RemoveFile(const std::string& path) override;
  Signature OfProgram() override { return programSignature; }
  // The signature of the file held as `file`, wherever its path now is.
  Signature OfFile(NativeFile file, const std::string& path) override;
  // A yield: the clock moves on by the wait, then `onYield` runs.
  void DoEvents(std::chrono::milliseconds idleWait, NativeWaitable wakeOn = 0) override;
  void Note(const std::string& line) override { notes.push_back(line); }
  void Box(const std::string& title, const std::string& text, BoxIcon) override {
    boxes.push_back(title + ": " + text);
  }
  void Trace(std::string_view, std::uint32_t, bool) override {}
  std::vector<Holder> Of(const std::string& path,
                         const std::vector<std::uint32_t>& notCounted) override;
  std::vector<Holder> Blocking(const std::string& path) override;

  // Counts a step; throws Killed when it is the last one the program may take.
  void Step(const std::string& what);

  // The path at which the file `id` is now; "" when it is gone.
  std::string PathOf(int id) const;
  // A test re-points the path of a held file: `path` now leads to `other`, and the file held
  // stays where the link led before, out of the program's sight.
  void Repoint(const std::string& path, const File& other);

 private:
  friend class FakeHeldFile;
  std::unique_ptr<HeldFile> HeldAt(const std::string& path);
  int nextId_ = 1;
  std::uint32_t nextToolProcessId_ = kFirstToolProcessId;
};

}  // namespace tarnwell::testing
