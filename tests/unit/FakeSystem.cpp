#include "tests/unit/FakeSystem.h"

#include <algorithm>

namespace tarnwell::testing {
namespace {

class FakeProcess final : public Process {
 public:
  FakeProcess(std::function<bool()> running, std::uint32_t code, NativeWaitable waitable)
      : running_(std::move(running)), code_(code), waitable_(waitable) {}
  std::optional<std::uint32_t> ExitCode() override {
    if (running_()) return std::nullopt;
    return code_;
  }
  NativeWaitable Waitable() const override { return waitable_; }

 private:
  std::function<bool()> running_;
  std::uint32_t code_;
  NativeWaitable waitable_;
};

}  // namespace

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

bool FakeSystem::PreviousInstanceRunning() {
  ++instanceChecks;
  return previousInstance;
}

void FakeSystem::EndProcess(int exitCode) {
  log.push_back("end process " + std::to_string(exitCode));
  endedWith = exitCode;
}

std::unique_ptr<Process> FakeSystem::Launch(const std::string& program,
                                            const std::string& commandLine, int windowState) {
  commandLines.push_back(commandLine);
  if (program == kRegSvr32) {
    const bool unregister = commandLine.find(" /u /s ") != std::string::npos;
    Tool& tool = unregister ? unregisterTool : registerTool;
    const std::string what = unregister ? "unregister " : "register ";
    if (!tool.starts) {
      log.push_back(what + "not started");
      return nullptr;
    }
    log.push_back(what + VersionAt(kInstalled) + " state " + std::to_string(windowState));
    auto polls = std::make_shared<int>(tool.runningPolls);
    const bool finishes = tool.finishes;
    return std::make_unique<FakeProcess>([polls, finishes] { return !finishes || (*polls)-- > 0; },
                                         tool.exitCode,
                                         unregister ? kUnregisterWaitable : kRegisterWaitable);
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

std::unique_ptr<Process> FakeSystem::OpenTaskProcess(const std::string&) {
  if (ideWindows == 0) return nullptr;
  return std::make_unique<FakeProcess>([this] { return ideWindows > 0 || ideProcessLingers-- > 0; },
                                       0, kIdeWaitable);
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

void FakeSystem::SetTopMost(NativeWindow window, bool topmost) {
  topMost.emplace_back(window, topmost);
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

void FakeSystem::ShellMoveFile(const std::string& source, const std::string& destination) {
  if (!Has(source)) return;
  log.push_back("move " + source + " -> " + destination);
  if (moveFails || files[source].locked || (Has(destination) && files[destination].locked)) return;
  files[destination] = {files[source].version};
  files.erase(source);
}

void FakeSystem::ShellDeleteFile(const std::string& path) {
  if (!Has(path)) return;
  log.push_back("delete " + path);
  if (files[path].locked) return;
  trash.push_back(path + " " + files[path].version);
  files.erase(path);
}

std::string FakeSystem::BackupFile(const std::string& path) {
  if (backupFails || !Has(path)) return "";
  const std::string backup = path + ".backup";
  files[backup] = {files[path].version};
  log.push_back("backup " + path);
  return backup;
}

bool FakeSystem::RestoreFile(const std::string& backup, const std::string& path) {
  log.push_back("restore " + path);
  if (restoreFails || !Has(backup)) return false;
  files[path] = {files[backup].version};
  files.erase(backup);
  return true;
}

void FakeSystem::RemoveFile(const std::string& path) {
  log.push_back("remove " + path);
  files.erase(path);
}

}  // namespace tarnwell::testing
