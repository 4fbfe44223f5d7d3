// The operating system in the roles the controller uses (folders, launching, tasks, the single
// instance), against the real API.

#include "win32/Win32Services.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "platform/SystemProc.h"
#include "platform/UniqueHandle.h"
#include "platform/WideText.h"
#include "platform/WindowContract.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchFolder.h"
#include "tests/win32/window/HelperWindow.h"
#include "tests/win32/window/NoEvents.h"
#include "win32/RunReport.h"
#include "win32/Win32Form.h"

namespace tarnwell::win32 {
namespace {

constexpr ULONGLONG kPatienceMs = 30'000;

std::wstring ModulePath() {
  std::wstring path(32768, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

// A unique name for this test run, so that parallel runs and earlier leftovers never meet.
std::wstring UniqueName(const wchar_t* stem) {
  return std::wstring(stem) + L"." + std::to_wstring(::GetCurrentProcessId()) + L"." +
         std::to_wstring(::GetTickCount64());
}

// Polls `exitCode` until the process has ended or the patience runs out.
std::optional<std::uint32_t> AwaitExit(Process& process) {
  const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
  for (;;) {
    if (auto code = process.ExitCode()) return code;
    if (::GetTickCount64() > deadline) return std::nullopt;
    ::Sleep(20);
  }
}

using platform::KernelHandle;
using platform::Narrow;
using platform::Widen;
using tarnwell::testing::ScratchFolder;

// Traces still reach the debugger; no box is shown.
RunReport report(false);

std::string ReadFile(const std::string& path) {
  return tarnwell::testing::ReadTextFile(Widen(path)).value_or(std::string{});
}

bool Exists(const std::string& path) { return tarnwell::testing::PathPresent(Widen(path)); }

TEST(Win32SystemFolders, ProgramFolderHoldsTheRunningExecutable) {
  Win32Folders folders(report);
  const std::string folder = folders.ProgramFolder();
  const std::wstring module = ModulePath();
  EXPECT_EQ(folder, Narrow(module.substr(0, module.find_last_of(L'\\'))));
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  EXPECT_TRUE(Exists(folder + "\\window_tests.exe"));
}

TEST(Win32SystemFolders, SystemDirectoryIsAnExistingFolderWithoutTrailingSeparator) {
  Win32Folders folders(report);
  const std::string folder = folders.SystemDirectory();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), '\\');
  const DWORD attributes = ::GetFileAttributesW(Widen(folder).c_str());
  ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
  EXPECT_TRUE(attributes & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_TRUE(Exists(folder + "\\cmd.exe"));
}

// Collects what the process writes with OutputDebugString meanwhile: the debug-print exception
// that OutputDebugString raises passes a vectored handler first (the wide form, where the system
// raises one, is followed by the narrow one, which every system raises).
class DebugOutput {
 public:
  DebugOutput() : handler_(::AddVectoredExceptionHandler(1, &DebugOutput::Handle)) {
    Lines().clear();
  }
  ~DebugOutput() {
    if (handler_) ::RemoveVectoredExceptionHandler(handler_);
  }
  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;
  const std::vector<std::string>& Seen() const { return Lines(); }

 private:
  static std::vector<std::string>& Lines() {
    static std::vector<std::string> lines;
    return lines;
  }
  static LONG CALLBACK Handle(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD& record = *pointers->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2) {
      Lines().emplace_back(reinterpret_cast<const char*>(record.ExceptionInformation[1]));
    }
    return EXCEPTION_CONTINUE_SEARCH;
  }
  void* handler_;
};

TEST(Win32SystemLaunch, AMissingProgramIsNotStartedAndLeavesATrace) {
  Win32Launcher launcher(report);
  const ScratchFolder scratch;
  const std::string missing = scratch.Utf8(L"missing.exe");
  const DebugOutput output;
  EXPECT_EQ(launcher.Launch(missing, "\"" + missing + "\"", kShowMinimized, ""), nullptr);
  EXPECT_EQ(launcher.Launch("", "cmd.exe /c exit 0", kShowMinimized, ""), nullptr);
  ASSERT_EQ(output.Seen().size(), 1u) << "one trace for the one call that was made";
  EXPECT_EQ(output.Seen()[0], "TarnwellUpdate: CreateProcessW failed, error 2\n");
}

TEST(Win32SystemLaunch, ThePassedProgramRunsWithTheWholeCommandLineInTheGivenFolder) {
  Win32Launcher launcher(report);
  const ScratchFolder scratch;
  const std::string cmd = Win32Folders(report).SystemDirectory() + "\\cmd.exe";
  const auto process = launcher.Launch(cmd, "\"" + cmd + "\" /c cd > here.txt & exit 7",
                                       kShowMinimized, scratch.Utf8());
  ASSERT_NE(process, nullptr);
  EXPECT_EQ(AwaitExit(*process), std::optional<std::uint32_t>(7));
  // Once ended, it keeps answering the same code.
  EXPECT_EQ(process->ExitCode(), std::optional<std::uint32_t>(7));
  // A relative name lands in the working folder, which is what `cd` prints.
  EXPECT_EQ(ReadFile(scratch.Utf8(L"here.txt")), scratch.Utf8() + "\r\n");
}

// Starts this test program as a task owning a window titled `caption`, ending on `release`.
class TaskHelper {
 public:
  explicit TaskHelper(Launcher& launcher)
      : eventName_(UniqueName(L"Local\\tarnwell-helper")),
        caption(Narrow(UniqueName(L"Tarnwell helper"))),
        release_(::CreateEventW(nullptr, TRUE, FALSE, eventName_.c_str())) {
    const std::string self = Narrow(ModulePath());
    process = launcher.Launch(
        self, "\"" + self + "\" --helper " + Narrow(eventName_) + " \"" + caption + "\"",
        kShowMinimized, "");
  }
  ~TaskHelper() { Release(); }
  TaskHelper(const TaskHelper&) = delete;
  TaskHelper& operator=(const TaskHelper&) = delete;

  void Release() { ::SetEvent(release_.get()); }
  bool AwaitWindow() const {
    const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
    while (!::FindWindowW(nullptr, Widen(caption).c_str())) {
      if (::GetTickCount64() > deadline) return false;
      ::Sleep(20);
    }
    return true;
  }

 private:
  std::wstring eventName_;

 public:
  const std::string caption;
  std::unique_ptr<Process> process;

 private:
  KernelHandle release_;
};

TEST(Win32SystemLaunch, ARunningProcessHasNoExitCodeUntilItEnds) {
  Win32Launcher launcher(report);
  TaskHelper helper(launcher);
  ASSERT_NE(helper.process, nullptr);
  ASSERT_TRUE(helper.AwaitWindow());
  // The helper cannot end before it is released.
  EXPECT_EQ(helper.process->ExitCode(), std::nullopt);
  helper.Release();
  EXPECT_EQ(AwaitExit(*helper.process), std::optional<std::uint32_t>(3));
}

TEST(Win32SystemLaunch, ATerminatedProcessHasEndedWhenTerminateReturns) {
  Win32Launcher launcher(report);
  TaskHelper helper(launcher);
  ASSERT_NE(helper.process, nullptr);
  ASSERT_TRUE(helper.AwaitWindow());
  helper.process->Terminate();
  EXPECT_EQ(helper.process->ExitCode(), std::optional<std::uint32_t>(ERROR_TIMEOUT));
}

TEST(Win32SystemTasks, TheOwnerOfACaptionIsFoundAndWatched) {
  Win32Launcher launcher(report);
  TaskHelper helper(launcher);
  ASSERT_NE(helper.process, nullptr);
  ASSERT_TRUE(helper.AwaitWindow());
  const auto task = Win32Tasks(report).OpenTaskProcess(helper.caption);
  ASSERT_NE(task, nullptr);
  EXPECT_EQ(task->ExitCode(), std::nullopt);
  helper.Release();
  EXPECT_EQ(AwaitExit(*task), std::optional<std::uint32_t>(3));
}

TEST(Win32SystemTasks, AMissingCaptionHasNoProcess) {
  EXPECT_EQ(Win32Tasks(report).OpenTaskProcess(Narrow(UniqueName(L"No window is titled so"))),
            nullptr);
}

TEST(Win32SystemInstance, TheFirstInstanceSeesNoneAndKeepsItsAnswer) {
  const std::wstring name = L"Global\\" + UniqueName(L"tarnwell-instance");
  Win32Instance first(name);
  EXPECT_FALSE(first.PreviousInstanceRunning());
  EXPECT_FALSE(first.PreviousInstanceRunning());
}

TEST(Win32SystemInstance, ALaterInstanceSeesTheFirstWhileItLives) {
  // Machine-wide, as the program's own name is.
  ASSERT_EQ(std::wstring_view(kSingleInstanceName).substr(0, 7), L"Global\\");
  const std::wstring name = L"Global\\" + UniqueName(L"tarnwell-instance");
  {
    Win32Instance first(name);
    ASSERT_FALSE(first.PreviousInstanceRunning());
    Win32Instance second(name);
    EXPECT_TRUE(second.PreviousInstanceRunning());
    EXPECT_TRUE(second.PreviousInstanceRunning());
    // The first keeps its own answer.
    EXPECT_FALSE(first.PreviousInstanceRunning());
  }
  Win32Instance afterwards(name);
  EXPECT_FALSE(afterwards.PreviousInstanceRunning());
}

using tarnwell::testing::NoEvents;

TEST(Win32SystemInstance, ARaiseLeavesThisProcesssOwnWindowAlone) {
  // A second instance may have created its window, hidden, before it finds the first.
  NoEvents events;
  Win32Form own(events, ::GetModuleHandleW(nullptr));
  ASSERT_TRUE(own.Exists());
  own.Show();
  ::ShowWindow(own.Window(), SW_MINIMIZE);
  ASSERT_TRUE(::IsIconic(own.Window()));
  Win32Instance second;
  EXPECT_FALSE(second.RaiseRunningInstance());
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
  EXPECT_TRUE(::IsIconic(own.Window()));
}

// Pumps this thread's messages for `ms`, as a raise posted elsewhere takes a moment.
void PumpFor(DWORD ms) {
  const ULONGLONG until = ::GetTickCount64() + ms;
  MSG msg;
  while (::GetTickCount64() < until) {
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    ::Sleep(20);
  }
}

bool Restored(HWND window) {
  const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
  while (::IsIconic(window)) {
    if (::GetTickCount64() > deadline) return false;
    PumpFor(20);
  }
  return true;
}

TEST(Win32SystemInstance, ARaiseGoesOnlyToAWindowInAProcessOfThisSameExecutable) {
  using tarnwell::testing::HelperWindow;
  // Another program's window of the program's class and title, minimised.
  HelperWindow impostor(tarnwell::testing::ExecutableFolder() + L"\\WindowImpostor.exe",
                        platform::kWindowClass, platform::kWindowTitle, L"minimized");
  ASSERT_TRUE(impostor.Started());
  const HWND other = impostor.Window();
  ASSERT_NE(other, nullptr);
  ASSERT_TRUE(::IsIconic(other));
  Win32Instance second;
  EXPECT_FALSE(second.RaiseRunningInstance()) << "another program's window was raised";
  PumpFor(500);
  EXPECT_TRUE(::IsIconic(other));

  // The same window in a process of this very executable (this test program stands in for the
  // program): that one is raised, and the other is still left alone.
  HelperWindow own(ModulePath(), platform::kWindowClass, platform::kWindowTitle, L"minimized");
  ASSERT_TRUE(own.Started());
  const HWND running = own.Window();
  ASSERT_NE(running, nullptr);
  ASSERT_TRUE(::IsIconic(running));
  EXPECT_TRUE(second.RaiseRunningInstance());
  EXPECT_TRUE(Restored(running)) << "the running instance's window stayed minimised";
  PumpFor(300);
  EXPECT_TRUE(::IsIconic(other)) << "another program's window was raised";
}

TEST(Win32SystemInstance, AMutexAnyoneCanCreateUnderTheMachineWideNameCountsOnlyWithoutANamespace) {
  const std::wstring name = L"Global\\" + UniqueName(L"tarnwell-instance");
  // What any user can do: create the machine-wide name first.
  const KernelHandle taken(::CreateMutexW(nullptr, FALSE, name.c_str()));
  ASSERT_TRUE(taken);
  const bool namespaces =
      platform::LoadedProc<void (*)()>(L"kernel32.dll", "CreatePrivateNamespaceW") != nullptr;
  const DebugOutput output;
  Win32Instance first(name);
  if (namespaces) {
    // As administrator (the program always is): the mutex lies where no user can create it.
    EXPECT_FALSE(first.PreviousInstanceRunning()) << "a user's mutex kept the program out";
    EXPECT_TRUE(first.InPrivateNamespace());
    Win32Instance second(name);
    EXPECT_TRUE(second.PreviousInstanceRunning());
  } else {
    // Wine 8 has no private namespaces: the machine-wide name serves, as it always did, and a
    // trace says why.
    EXPECT_TRUE(first.PreviousInstanceRunning());
    EXPECT_FALSE(first.InPrivateNamespace());
    EXPECT_EQ(output.Seen(), std::vector<std::string>{
                                 "TarnwellUpdate: AddSIDToBoundaryDescriptor failed, error 127\n"});
  }
}

TEST(Win32SystemInstance, WithoutANamespaceALaterInstanceStillSeesTheFirst) {
  const std::wstring name = L"Global\\" + UniqueName(L"tarnwell-instance");
  Win32Instance first(name);
  ASSERT_FALSE(first.PreviousInstanceRunning());
  // The machine-wide name is taken too where there is no namespace, and only there.
  const KernelHandle probe(::OpenMutexW(SYNCHRONIZE, FALSE, name.c_str()));
  EXPECT_EQ(static_cast<bool>(probe), !first.InPrivateNamespace());
  Win32Instance second(name);
  EXPECT_TRUE(second.PreviousInstanceRunning());
  EXPECT_EQ(second.InPrivateNamespace(), first.InPrivateNamespace());
}

}  // namespace
}  // namespace tarnwell::win32
