#include "tests/unit/FakeSystem.h"

#include <algorithm>

namespace tarnwell::testing {
namespace {

class FakeProcess final : public Process {
 public:
  FakeProcess(std::function<bool()> running, std::uint32_t code, NativeWaitable waitable,
              std::function<void()> onEnd = {}, std::function<void()> onTerminate = {},
              std::uint32_t id = 0)
      : id_(id),
        running_(std::move(running)),
        code_(code),
        waitable_(waitable),
        onEnd_(std::move(onEnd)),
        onTerminate_(std::move(onTerminate)) {}
  std::optional<std::uint32_t> ExitCode() override {
    if (!ended_ && running_()) return std::nullopt;
    if (!ended_ && onEnd_) onEnd_();
    ended_ = true;
    return code_;
  }
  NativeWaitable Waitable() const override { return waitable_; }
  std::uint32_t Id() const override { return id_; }
  void Terminate() override {
    if (onTerminate_) onTerminate_();
  }

 private:
  std::uint32_t id_;
  std::function<bool()> running_;
  std::uint32_t code_;
  NativeWaitable waitable_;
  std::function<void()> onEnd_;
  std::function<void()> onTerminate_;
  bool ended_ = false;
};

}  // namespace

// A file held by handle: it acts on the file it was opened on, found by its id wherever the
// file's path now is, and lets go of it when it ends.
class FakeHeldFile final : public HeldFile {
 public:
  FakeHeldFile(FakeSystem& sys, int id) : sys_(sys), id_(id) {}
  ~FakeHeldFile() override { Release(); }

  std::optional<std::uint64_t> Size() override {
    FakeSystem::File* file = Find();
    if (!file) return std::nullopt;
    return file->size;
  }
  VersionInfo Version() override {
    FakeSystem::File* file = Find();
    VersionInfo info;
    if (!file || file->version.empty()) {
      ++sys_.versionBoxes;
      return info;
    }
    info.FileVersion = file->version;
    info.FileType = "DLL";
    return info;
  }
  NativeFile Native() const override { return static_cast<NativeFile>(id_); }
  bool RenameTo(const std::string& destination) override {
    const std::string from = sys_.PathOf(id_);
    sys_.log.push_back("rename " + from + " -> " + destination);
    if (from.empty() || sys_.cannotRename.count(from) ||
        (sys_.Has(destination) && sys_.files[destination].locked)) {
      return false;
    }
    FakeSystem::File file = sys_.files[from];
    sys_.files.erase(from);
    sys_.files[destination] = file;
    sys_.Step(sys_.log.back());
    return true;
  }
  bool Remove() override {
    const std::string path = sys_.PathOf(id_);
    sys_.log.push_back("remove " + path);
    if (path.empty() || sys_.files[path].locked) return false;
    sys_.files.erase(path);
    sys_.Step("remove " + path);
    return true;
  }
  bool Recycle(NativeWindow owner) override {
    const std::string path = sys_.PathOf(id_);
    if (path.empty()) return false;
    sys_.log.push_back("delete " + path);
    sys_.deleteOwners.push_back(owner);
    if (sys_.files[path].locked) return false;
    sys_.trash.push_back(path + " " + sys_.files[path].version);
    sys_.files.erase(path);
    sys_.Step("delete " + path);
    return true;
  }

 private:
  FakeSystem::File* Find() {
    const std::string path = sys_.PathOf(id_);
    return path.empty() ? nullptr : &sys_.files[path];
  }
  void Release() {
    if (FakeSystem::File* file = Find()) {
      file->held = false;
      if (sys_.onOpenable) sys_.onOpenable(sys_.PathOf(id_));
    }
  }

  FakeSystem& sys_;
  int id_;
};

std::string FakeSystem::PathOf(int id) const {
  for (const auto& [path, file] : files) {
    if (file.id == id) return path;
  }
  return {};
}

void FakeSystem::Repoint(const std::string& path, const File& other) {
  const File held = files[path];
  files["\\\\elsewhere\\" + std::to_string(held.id)] = held;
  files[path] = other;
}

std::unique_ptr<HeldFile> FakeSystem::HeldAt(const std::string& path) {
  File& file = files[path];
  if (file.id == 0) file.id = nextId_++;
  file.held = true;
  return std::make_unique<FakeHeldFile>(*this, file.id);
}

PathKind FakeSystem::KindOf(const std::string& path) {
  if (!Has(path)) return PathKind::Nothing;
  const File& file = files[path];
  return file.folder ? PathKind::Folder : file.readOnly ? PathKind::ReadOnlyFile : PathKind::File;
}

Holding FakeSystem::Hold(const std::string& path) {
  if (!Has(path)) return {Holding::State::Missing, nullptr};
  if (files[path].folder || files[path].link) return {Holding::State::NotPlain, nullptr};
  return {Holding::State::Held, HeldAt(path)};
}

std::unique_ptr<HeldFile> FakeSystem::CopyNew(HeldFile& source, const std::string& destination) {
  const std::string from = PathOf(static_cast<int>(source.Native()));
  if (beforeCopy) beforeCopy(from);
  log.push_back("copy " + from + " -> " + destination);
  if (from.empty() || Has(destination) || cannotCreate.count(destination)) return nullptr;
  const File& original = files[from];
  files[destination] = {original.version, false, original.size};
  files[destination].signature = original.signature;
  Step(log.back());
  return HeldAt(destination);
}

std::unique_ptr<HeldFile> FakeSystem::CopyNew(const std::string& source,
                                              const std::string& destination) {
  if (beforeCopy) beforeCopy(source);
  log.push_back("copy " + source + " -> " + destination);
  if (!Has(source) || Has(destination) || cannotCreate.count(destination)) return nullptr;
  files[destination] = {files[source].version, false, files[source].size};
  Step(log.back());
  return HeldAt(destination);
}

std::unique_ptr<HeldFile> FakeSystem::CreateMarker(const std::string& path) {
  log.push_back("mark " + path);
  if (cannotCreate.count(path)) return nullptr;
  files[path] = {""};
  Step(log.back());
  return HeldAt(path);
}

Signature FakeSystem::OfFile(NativeFile file, const std::string& path) {
  const std::string at = PathOf(static_cast<int>(file));
  log.push_back("signature of " + path);
  return at.empty() ? Signature{} : files[at].signature;
}

std::string FakeSystem::VersionAt(const std::string& path) const {
  const auto it = files.find(path);
  return it == files.end() ? "(none)" : it->second.version;
}

bool FakeSystem::Logged(const std::string& entry) const {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

int FakeSystem::Count(const std::string& prefix) const {
  return static_cast<int>(std::count_if(
      log.begin(), log.end(), [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
}

std::vector<std::string> FakeSystem::FilesStartingWith(const std::string& prefix) const {
  std::vector<std::string> found;
  for (const auto& [path, file] : files) {
    if (path.rfind(prefix, 0) == 0) found.push_back(path);
  }
  return found;
}

void FakeSystem::Step(const std::string& what) {
  steps.push_back(what);
  if (static_cast<int>(steps.size()) == killAfterStep) throw Killed{};
}

bool FakeSystem::PreviousInstanceRunning() {
  ++instanceChecks;
  return previousInstance;
}

bool FakeSystem::RaiseRunningInstance() {
  log.push_back("raise running instance");
  return runningInstanceWindow;
}

void FakeSystem::EndProcess(int exitCode) {
  log.push_back("end process " + std::to_string(exitCode));
  endedWith = exitCode;
}

std::unique_ptr<Process> FakeSystem::Launch(const std::string& program,
                                            const std::string& commandLine, int windowState,
                                            const std::string& workingFolder) {
  commandLines.push_back(commandLine);
  launchFolders.push_back(workingFolder);
  if (program == kRegSvr32) {
    const bool unregister = commandLine.find(" /u /s ") != std::string::npos;
    Tool& tool = unregister ? unregisterTool : registerTool;
    const std::string what = unregister ? "unregister " : "register ";
    if (!tool.starts) {
      log.push_back(what + "not started");
      return nullptr;
    }
    log.push_back(what + VersionAt(kInstalled) + " state " + std::to_string(windowState));
    Step(log.back());
    auto polls = std::make_shared<int>(tool.runningPolls);
    const bool finishes = tool.finishes;
    const std::uint32_t code = tool.failsFor.count(VersionAt(kInstalled)) ? 5 : tool.exitCode;
    const bool works = code == 0;
    // The registration changes when the tool ends, and only if it gets that far.
    auto onEnd = [this, unregister, works, what] {
      if (works) registered = unregister ? "" : VersionAt(kInstalled);
      Step(what + "ended");
    };
    auto onTerminate = [this, what] { log.push_back("terminate " + what + "tool"); };
    return std::make_unique<FakeProcess>([polls, finishes] { return !finishes || (*polls)-- > 0; },
                                         code, unregister ? kUnregisterWaitable : kRegisterWaitable,
                                         onEnd, onTerminate, nextToolProcessId_++);
  }
  if (!Has(program)) return nullptr;
  log.push_back("start " + program + " state " + std::to_string(windowState));
  return std::make_unique<FakeProcess>([] { return true; }, 0, 0);
}

bool FakeSystem::LaunchAsDesktopUser(const std::string& program) {
  if (!desktopLaunchWorks) return false;
  log.push_back("start as desktop user " + program);
  return true;
}

bool FakeSystem::LaunchAsNormalUser(const std::string& program, int windowState) {
  if (!normalUserLaunchWorks) return false;
  log.push_back("start as normal user " + program + " state " + std::to_string(windowState));
  return true;
}

std::unique_ptr<Process> FakeSystem::OpenTaskProcess(const std::string&) {
  if (ideWindows == 0) return nullptr;
  return std::make_unique<FakeProcess>([this] { return ideWindows > 0 || ideProcessLingers-- > 0; },
                                       0, kIdeWaitable, nullptr, nullptr, kIdeProcessId);
}

bool FakeSystem::IsTaskRunning(const std::string&) {
  const bool running = ideWindows > 0;
  ++taskSearches;
  if (onTaskSearch) onTaskSearch(taskSearches);
  return running;
}

std::int16_t FakeSystem::EndTask(const std::string&) {
  if (ideWindows == 0) return 0;
  if (!ideDisabled) {
    ++closeRequests;
    log.push_back("close request");
    if (!ideRefusesToClose) --ideWindows;
    if (onEndTaskYield) onEndTaskYield();
  }
  return -1;
}

void FakeSystem::DoEvents(std::chrono::milliseconds idleWait, NativeWaitable wakeOn) {
  ++yields;
  wakeOns.push_back(wakeOn);
  idleWaited += idleWait;
  now += static_cast<std::uint64_t>(idleWait.count());
  if (onYield) onYield(yields);
}

VersionInfo FakeSystem::GetVersionInfo(const std::string& path) {
  VersionInfo info;
  const auto it = files.find(path);
  if (it == files.end() || it->second.version.empty()) {
    ++versionBoxes;
    return info;
  }
  info.FileVersion = it->second.version;
  info.FileType = "DLL";
  return info;
}

void FakeSystem::ShellDeleteFile(const std::string& path, NativeWindow owner) {
  if (!Has(path)) return;
  log.push_back("delete " + path);
  deleteOwners.push_back(owner);
  if (files[path].locked) return;
  trash.push_back(path + " " + files[path].version);
  files.erase(path);
  Step("delete " + path);
}

std::optional<std::uint64_t> FakeSystem::FileSize(const std::string& path) {
  if (!Has(path)) return std::nullopt;
  return files[path].size;
}

bool FakeSystem::RenameFile(const std::string& source, const std::string& destination) {
  log.push_back("rename " + source + " -> " + destination);
  if (!Has(source) || files[source].locked || files[source].held || cannotRename.count(source) ||
      (Has(destination) && (files[destination].locked || files[destination].held))) {
    return false;
  }
  files[destination] = files[source];
  files.erase(source);
  Step(log.back());
  if (onOpenable) onOpenable(destination);
  return true;
}

bool FakeSystem::RemoveFile(const std::string& path) {
  log.push_back("remove " + path);
  if (Has(path) &&
      (files[path].locked || files[path].held || files[path].readOnly || files[path].folder)) {
    return false;
  }
  if (files.erase(path) != 0) Step("remove " + path);
  return true;
}

std::vector<Holder> FakeSystem::Of(const std::string& path,
                                   const std::vector<std::uint32_t>& notCounted) {
  if (beforeHolderScan) beforeHolderScan(++holderScans);
  std::vector<Holder> found = loadedBy[path];
  std::erase_if(found, [&](const Holder& holder) {
    return std::find(notCounted.begin(), notCounted.end(), holder.processId) != notCounted.end();
  });
  return found;
}

std::vector<Holder> FakeSystem::Blocking(const std::string& path) { return blockedBy[path]; }

}  // namespace tarnwell::testing
