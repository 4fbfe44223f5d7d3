#pragma once
// What the service tests share beyond tests/support: an answerer for the dialogs of the test
// thread, and top-level windows that count the messages they get.

#include <windows.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/Report.h"
#include "platform/UniqueHandle.h"
#include "tests/support/Files.h"
#include "tests/support/ScratchFolder.h"

namespace tarnwell::testing {

bool RunningUnderWine();

struct SeenDialog {
  std::wstring title;
  std::wstring text;
  bool iconShown = false;
};

// Watches the dialogs of the calling thread: records each one and presses its OK button (Cancel
// when it has none). Finish() stops watching and hands over the record. With some patience it
// leaves a box alone that long first, so that a test's own answerer gets it and this one only
// breaks the hang of a box nobody expected.
//
// It works from a thread timer, not from a thread of its own: a box is modal, and its message
// loop runs the timer's callback on this thread. A helper thread would do, but 32-bit Wine under
// qemu-user crashes when three threads of a process wait at once, and the test's own thread, this
// helper and the guard of ServiceTestMain would be three.
class DialogAnswerer {
 public:
  explicit DialogAnswerer(DWORD patience = 0);
  ~DialogAnswerer();
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;

  std::vector<SeenDialog> Finish();

 private:
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD);
  void Look();

  DWORD patience_;
  UINT_PTR timer_ = 0;
  std::vector<std::pair<HWND, ULONGLONG>> firstSeen_;
  std::vector<HWND> answered_;
  std::vector<SeenDialog> seen_;
};

// A top-level window of the calling thread that counts close requests (and stays open: the
// test decides when it goes) and pings, a private message used to see whether a yield ran.
class TestWindow {
 public:
  explicit TestWindow(const std::wstring& title, RECT bounds = {100, 120, 400, 320});
  HWND get() const { return window_.get(); }
  std::uintptr_t native() const { return reinterpret_cast<std::uintptr_t>(window_.get()); }
  int closeRequests() const { return counters_->closes; }
  int pings() const { return counters_->pings; }
  void PostPing() const;

 private:
  struct Counters {
    int closes = 0;
    int pings = 0;
  };
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  std::unique_ptr<Counters> counters_;
  platform::WindowHandle window_;
};

// Handles every message pending for the calling thread.
void PumpPending();

// A report as the program's window has it: boxes are shown (for a DialogAnswerer to find) and
// also kept, with traces, for the test to look at.
class ShownReport final : public Report {
 public:
  // `show` false: kept only, as an unattended run keeps them.
  explicit ShownReport(bool show = true) : show_(show) {}
  void Note(const std::string&) override {}
  void Box(const std::string& title, const std::string& text, BoxIcon icon) override;
  void Trace(std::string_view call, std::uint32_t code, bool hresult) override;

  std::vector<std::string> boxes;   // the texts
  std::vector<std::string> traces;  // the calls

 private:
  bool show_;
};

}  // namespace tarnwell::testing
