#include "tests/e2e/driver/Scenario.h"

#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "tests/support/Processes.h"

#ifndef TARNWELL_E2E_PROGRAM
#error "TARNWELL_E2E_PROGRAM must name the built program (a Unix path)"
#endif
#ifndef TARNWELL_FIXTURES_DIR
#error "TARNWELL_FIXTURES_DIR must name the fixtures' build folder (a Unix path)"
#endif

namespace fs = std::filesystem;

namespace tarnwell::e2e {
namespace {

constexpr DWORD kKillWaitMs = 5000;
constexpr DWORD kRemoveRetryMs = 5000;

using platform::FileHandle;
using platform::KernelHandle;

std::wstring CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "scenario";
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') c = '_';
  return Widen(name);
}

// Files held by a process that is just being killed may refuse removal for a moment.
bool RemoveWithRetry(const std::wstring& path) {
  const ULONGLONG deadline = GetTickCount64() + kRemoveRetryMs;
  for (;;) {
    std::error_code error;
    fs::remove_all(fs::path(path), error);
    if (!error && !fs::exists(fs::path(path), error)) return true;
    if (PollExpired(deadline)) return false;
  }
}

bool CopyInto(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    ADD_FAILURE() << "cannot copy " << Narrow(from) << " to " << Narrow(to) << ": error "
                  << GetLastError();
    return false;
  }
  return true;
}

}  // namespace

std::wstring Scenario::FixturePath(std::wstring_view fixture) {
  return WindowsPathOf(TARNWELL_FIXTURES_DIR) + L"\\quandrel-" + std::wstring(fixture) +
         L"\\Quandrel.dll";
}

std::vector<std::uint8_t> Scenario::FixtureBytes(std::wstring_view fixture) {
  return ReadBytes(FixturePath(fixture));
}

Scenario::Scenario(ScenarioOptions options) : options_(std::move(options)) {
  root_ = L"C:\\tarnwell-e2e";
  const std::wstring name = CurrentTestName();
  programFolder_ = root_ + L"\\" + name + options_.folderSuffix;
  registrationLog_ = root_ + L"\\" + name + L".registration.log";
  hostLog_ = root_ + L"\\" + name + L".host.log";
  systemFolder_ = SpecialFolder(CSIDL_SYSTEMX86);
  hostFolder_ = SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\CorvexIDE";
  hostPath_ = hostFolder_ + L"\\CorvexIDE.exe";
  const std::wstring dataHome = EnvironmentVariable(L"XDG_DATA_HOME");
  if (dataHome.empty())
    ADD_FAILURE() << "XDG_DATA_HOME is not set; run through cmake/wine-run";
  else
    trashFolder_ = WindowsPathOf(Narrow(dataHome) + "/Trash");
  if (systemFolder_.empty()) ADD_FAILURE() << "no folder for CSIDL_SYSTEMX86";

  // Everything the program starts (regsvr32, a restarted host) joins the job and dies with it.
  job_.reset(CreateJobObjectW(nullptr, nullptr));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (job_)
    SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);

  // Leftovers of an interrupted run would change the outcome.
  RemoveEverything();

  std::error_code error;
  fs::create_directories(fs::path(programFolder_), error);
  if (error) ADD_FAILURE() << "cannot create " << Narrow(programFolder_) << ": " << error.message();
  if (options_.program) {
    const std::wstring program = WindowsPathOf(TARNWELL_E2E_PROGRAM);
    if (!FileExists(program))
      ADD_FAILURE() << "the program is not built: " << TARNWELL_E2E_PROGRAM;
    else
      CopyInto(program, ProgramPath());
  }

  if (options_.trash && !trashFolder_.empty()) {
    fs::create_directories(fs::path(trashFolder_ + L"\\files"), error);
    fs::create_directories(fs::path(trashFolder_ + L"\\info"), error);
    if (error) ADD_FAILURE() << "cannot create the trash: " << error.message();
  }

  const std::wstring previous = EnvironmentVariable(L"QUANDREL_LOG");
  if (!previous.empty()) savedLogVariable_ = previous;
  SetEnvironmentVariableW(L"QUANDREL_LOG", registrationLog_.c_str());
}

Scenario::~Scenario() {
  if (job_) TerminateJobObject(job_.get(), 0xDEAD);
  for (auto& process : started_) {
    TerminateProcess(process.get(), 0xDEAD);
    WaitForSingleObject(process.get(), kKillWaitMs);
  }
  // Whatever escaped the job: a host the program restarted, a copy of the program.
  FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (snapshot && Process32FirstW(snapshot.get(), &entry)) {
    do {
      KernelHandle process(
          OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                      entry.th32ProcessID));
      if (!process) continue;
      wchar_t image[MAX_PATH * 2] = {};
      DWORD size = ARRAYSIZE(image);
      if (!QueryFullProcessImageNameW(process.get(), 0, image, &size)) continue;
      if (SamePath(image, ProgramPath()) || SamePath(image, hostPath_)) {
        TerminateProcess(process.get(), 0xDEAD);
        WaitForSingleObject(process.get(), kKillWaitMs);
      }
    } while (Process32NextW(snapshot.get(), &entry));
  }

  RemoveEverything();
  RemoveDirectoryW(root_.c_str());  // only once empty
  SetEnvironmentVariableW(L"QUANDREL_LOG",
                          savedLogVariable_ ? savedLogVariable_->c_str() : nullptr);
}

void Scenario::RemoveEverything() {
  const std::wstring paths[] = {programFolder_, hostFolder_, registrationLog_, hostLog_,
                                trashFolder_};
  for (const auto& path : paths)
    if (!path.empty() && !RemoveWithRetry(path)) ADD_FAILURE() << "cannot remove " << Narrow(path);
  if (!systemFolder_.empty() && !RemoveWithRetry(InstalledPath()))
    ADD_FAILURE() << "cannot remove " << Narrow(InstalledPath());
}

void Scenario::Ship(std::wstring_view fixture) { CopyInto(FixturePath(fixture), ShippedPath()); }

void Scenario::Install(std::wstring_view fixture) {
  CopyInto(FixturePath(fixture), InstalledPath());
}

void Scenario::InstallHost(const HostSettings& settings) {
  std::error_code error;
  fs::create_directories(fs::path(hostFolder_), error);
  if (error) ADD_FAILURE() << "cannot create " << Narrow(hostFolder_) << ": " << error.message();
  if (!CopyInto(WindowsPathOf(TARNWELL_FIXTURES_DIR) + L"\\corvex\\CorvexIDE.exe", hostPath_))
    return;
  const std::wstring ini = hostFolder_ + L"\\CorvexIDE.ini";
  const auto write = [&](const wchar_t* key, const std::wstring& value) {
    if (!WritePrivateProfileStringW(L"Corvex", key, value.c_str(), ini.c_str()))
      ADD_FAILURE() << "cannot write " << Narrow(ini);
  };
  write(L"Mode", settings.mode);
  write(L"CloseDelayMs", std::to_wstring(settings.closeDelayMs));
  write(L"LingerMs", std::to_wstring(settings.lingerMs));
  write(L"HoldFile", settings.holdFile);
  write(L"Log", hostLog_);
}

std::pair<KernelHandle, DWORD> Scenario::Launch(const std::wstring& path,
                                                const std::wstring& workingFolder,
                                                const std::wstring& arguments) {
  auto started = tarnwell::testing::StartProcess(path, arguments, workingFolder, CREATE_SUSPENDED);
  if (!started) {
    ADD_FAILURE() << "cannot start " << Narrow(path) << ": error " << GetLastError();
    return {};
  }
  KernelHandle process = std::move(started->process);
  if (job_) AssignProcessToJobObject(job_.get(), process.get());
  ResumeThread(started->thread.get());
  HANDLE duplicate = nullptr;
  if (DuplicateHandle(GetCurrentProcess(), process.get(), GetCurrentProcess(), &duplicate, 0, FALSE,
                      DUPLICATE_SAME_ACCESS))
    started_.emplace_back(duplicate);
  return {std::move(process), started->id};
}

HWND Scenario::StartHost() {
  auto [process, id] = Launch(hostPath_, hostFolder_);
  if (!process) return nullptr;
  const ULONGLONG deadline = GetTickCount64() + kWindowTimeoutMs;
  for (;;) {
    TopLevelQuery query;
    query.processId = id;
    query.title = kHostWindowTitle;
    const auto found = TopLevelWindows(query);
    if (!found.empty()) return found.front();
    if (PollExpired(deadline, process.get())) return nullptr;
  }
}

Program Scenario::Start(const std::wstring& arguments) {
  // Started from elsewhere than its own folder: the program must find its copy by its own path.
  auto [process, id] = Launch(ProgramPath(), root_, arguments);
  return Program(std::move(process), id);
}

Program Scenario::StartAt(const std::wstring& program, const std::wstring& arguments) {
  auto [process, id] = Launch(program, root_, arguments);
  return Program(std::move(process), id);
}

Process Scenario::Run(const std::wstring& application, const std::wstring& arguments) {
  auto [process, id] = Launch(application, root_, arguments);
  return Process(std::move(process), id);
}

std::vector<std::wstring> Scenario::TrashedFiles() const {
  std::vector<std::wstring> names;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(fs::path(TrashFilesFolder()), error))
    names.push_back(entry.path().filename().wstring());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace tarnwell::e2e
