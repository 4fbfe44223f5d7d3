// The report's message boxes are owned by the program's window once it has one: the window is
// topmost, and a box owned by whatever window is active (none, once the user has turned to
// another program) could open behind it.
#include "win32/RunReport.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/WindowContract.h"
#include "tests/support/Files.h"
#include "tests/win32/window/HelperWindow.h"
#include "tests/win32/window/NoEvents.h"
#include "win32/Win32Form.h"

namespace tarnwell::win32 {
namespace {

constexpr ULONGLONG kPatienceMs = 30'000;

// Answers the next message box of this thread, from a thread timer (the box's own message loop
// runs it), and notes its owner. A helper thread would do, but 32-bit Wine under qemu-user
// crashes when several threads of a process wait at once.
class BoxAnswerer {
 public:
  BoxAnswerer() {
    Current() = this;
    timer_ = ::SetTimer(nullptr, 0, 50, &BoxAnswerer::OnTimer);
  }
  ~BoxAnswerer() {
    ::KillTimer(nullptr, timer_);
    Current() = nullptr;
  }
  BoxAnswerer(const BoxAnswerer&) = delete;
  BoxAnswerer& operator=(const BoxAnswerer&) = delete;

  bool Seen() const { return seen_; }
  HWND Owner() const { return owner_; }
  std::wstring Text() const { return text_; }

 private:
  static BoxAnswerer*& Current() {
    static BoxAnswerer* current = nullptr;
    return current;
  }
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    if (BoxAnswerer* self = Current()) {
      ::EnumThreadWindows(::GetCurrentThreadId(), &BoxAnswerer::Look,
                          reinterpret_cast<LPARAM>(self));
    }
  }
  static BOOL CALLBACK Look(HWND window, LPARAM self) {
    wchar_t name[16] = {};
    ::GetClassNameW(window, name, 16);
    if (std::wstring_view(name) != L"#32770" || !::IsWindowVisible(window)) return TRUE;
    auto& answerer = *reinterpret_cast<BoxAnswerer*>(self);
    if (answerer.seen_) return FALSE;
    answerer.seen_ = true;
    answerer.owner_ = ::GetWindow(window, GW_OWNER);
    wchar_t text[256] = {};
    ::GetDlgItemTextW(window, 0xFFFF, text, 256);
    answerer.text_ = text;
    ::PostMessageW(window, WM_COMMAND, IDOK, 0);
    return FALSE;
  }

  UINT_PTR timer_ = 0;
  bool seen_ = false;
  HWND owner_ = nullptr;
  std::wstring text_;
};

void Pump() {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
}

bool WaitUntil(bool (*done)(HWND), HWND window) {
  const ULONGLONG deadline = ::GetTickCount64() + kPatienceMs;
  for (;;) {
    Pump();
    if (done(window)) return true;
    if (::GetTickCount64() > deadline) return false;
    ::Sleep(20);
  }
}

// One box through `report`, answered; what the answerer saw.
struct ShownBox {
  bool seen;
  HWND owner;
  std::wstring text;
};

ShownBox ShowOneBox(RunReport& report, const std::string& text) {
  const BoxAnswerer answerer;
  report.Box("TarnwellUpdate", text, BoxIcon::None);
  return {answerer.Seen(), answerer.Owner(), answerer.Text()};
}

TEST(RunReportBoxes, ABoxIsOwnedByTheProgramsWindowWhileAnotherProgramsWindowIsActive) {
  testing::NoEvents events;
  Win32Form form(events, ::GetModuleHandleW(nullptr));
  ASSERT_TRUE(form.Exists());
  form.Show();
  RunReport report(true);
  report.OwnBoxesBy(form.Window());

  // The user turns to another program: its window takes the foreground, and this thread has
  // no active window left.
  testing::HelperWindow elsewhere(testing::ExecutableFolder() + L"\\WindowImpostor.exe",
                                  L"TarnwellTest.Elsewhere", L"Another program", L"foreground");
  ASSERT_TRUE(elsewhere.Started());
  const HWND other = elsewhere.Window();
  ASSERT_NE(other, nullptr);
  ::SetForegroundWindow(other);
  ASSERT_TRUE(WaitUntil(
      [](HWND window) { return ::GetForegroundWindow() == window && !::GetActiveWindow(); }, other))
      << "the other program's window is not the active one";

  const ShownBox box = ShowOneBox(report, "while another program is active");
  ASSERT_TRUE(box.seen) << "no box showed";
  EXPECT_EQ(box.owner, form.Window());
  EXPECT_EQ(box.text, L"while another program is active");
}

TEST(RunReportBoxes, WithoutTheWindowOrOnceItIsGoneABoxHasNoOwnerAndStillShows) {
  RunReport report(true);
  {
    // Before the window exists.
    const ShownBox box = ShowOneBox(report, "before the window");
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(box.owner, nullptr);
  }
  testing::NoEvents events;
  HWND gone = nullptr;
  {
    Win32Form form(events, ::GetModuleHandleW(nullptr));
    ASSERT_TRUE(form.Exists());
    gone = form.Window();
    report.OwnBoxesBy(gone);
  }
  ASSERT_FALSE(::IsWindow(gone));
  // A window destroyed before it was let go: a box owned by it would not show at all.
  const ShownBox box = ShowOneBox(report, "after the window");
  ASSERT_TRUE(box.seen) << "no box showed";
  EXPECT_EQ(box.owner, nullptr);
}

}  // namespace
}  // namespace tarnwell::win32
