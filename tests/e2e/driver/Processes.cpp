#include "tests/e2e/driver/Processes.h"

#include <tlhelp32.h>

#include <algorithm>

#include "tests/support/WindowText.h"

namespace tarnwell::e2e {
namespace {

constexpr DWORD kKillWaitMs = 5000;

}  // namespace

bool Process::Running() const {
  return process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

std::optional<DWORD> Process::WaitForExit(DWORD timeoutMs) {
  if (!process_) return std::nullopt;
  if (WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) {
    Kill();
    return std::nullopt;
  }
  DWORD code = 0;
  if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

void Process::Kill() {
  if (!Running()) return;
  TerminateProcess(process_.get(), 0xDEAD);
  WaitForSingleObject(process_.get(), kKillWaitMs);
}

HWND Program::WaitForWindow(DWORD timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    TopLevelQuery query;
    query.processId = Id();
    query.title = kMainWindowTitle;
    const auto found = TopLevelWindows(query);
    if (!found.empty()) return found.front();
    if (!Running() || PollExpired(deadline, Handle())) return nullptr;
  }
}

std::optional<MessageBoxState> Program::WaitForMessageBox(DWORD timeoutMs) const {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    if (auto boxes = OpenMessageBoxes(Id()); !boxes.empty()) return boxes.front();
    if (!Running() || PollExpired(deadline, Handle())) return std::nullopt;
  }
}

std::vector<HWND> Program::VisibleWindows() const {
  TopLevelQuery query;
  query.processId = Id();
  return TopLevelWindows(query);
}

Program::Unseen Program::WaitForExitShowingNothing(DWORD timeoutMs) {
  Unseen run;
  std::vector<HWND> seen;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  // One last look after the end as well: a window shown in the final poll interval counts.
  for (bool ended = false;;) {
    for (HWND window : VisibleWindows()) {
      if (std::find(seen.begin(), seen.end(), window) != seen.end()) continue;
      seen.push_back(window);
      run.shown.push_back(tarnwell::testing::ClassOf(window) + L" \"" +
                          tarnwell::testing::TextOf(window) + L"\"");
    }
    if (ended) break;
    ended = !Running();
    if (!ended && PollExpired(deadline, Handle())) break;
  }
  run.exitCode = WaitForExit(0);
  return run;
}

std::vector<Process> ChildrenOf(DWORD parentId, std::wstring_view exeName) {
  std::vector<Process> children;
  platform::FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  if (!snapshot || !Process32FirstW(snapshot.get(), &entry)) return children;
  do {
    if (entry.th32ParentProcessID != parentId ||
        CompareStringOrdinal(entry.szExeFile, -1, exeName.data(), static_cast<int>(exeName.size()),
                             TRUE) != CSTR_EQUAL)
      continue;
    platform::KernelHandle process(
        OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE | SYNCHRONIZE, FALSE,
                    entry.th32ProcessID));
    if (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT)
      children.emplace_back(std::move(process), entry.th32ProcessID);
  } while (Process32NextW(snapshot.get(), &entry));
  return children;
}

}  // namespace tarnwell::e2e
