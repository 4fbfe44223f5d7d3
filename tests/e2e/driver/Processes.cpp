#include "tests/e2e/driver/Processes.h"

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
    TopLevelQuery query;
    query.processId = Id();
    query.className = L"#32770";
    query.notTitle = kMainWindowTitle;  // should the main window ever be a dialog
    const auto found = TopLevelWindows(query);
    if (!found.empty()) {
      MessageBoxState box;
      box.box = found.front();
      box.title = tarnwell::testing::TextOf(box.box);
      // The message text is the static control with id 0xFFFF in every message box.
      if (HWND text = GetDlgItem(box.box, 0xFFFF)) box.text = tarnwell::testing::TextOf(text);
      return box;
    }
    if (!Running() || PollExpired(deadline, Handle())) return std::nullopt;
  }
}

std::vector<HWND> Program::VisibleWindows() const {
  TopLevelQuery query;
  query.processId = Id();
  return TopLevelWindows(query);
}

}  // namespace tarnwell::e2e
