// IsTaskRunning, EndTask, SetTopMost and the two message boxes, against the real window manager.
#include "services/modGlobal.h"

#include <gtest/gtest.h>

#include "platform/WideText.h"
#include "tests/support/Processes.h"
#include "tests/win32/services/ServiceTestSupport.h"

#include <string>
#include <utility>
#include <vector>

namespace tarnwell {
namespace {

// Boxes are shown, as the window shows them, for the tests' answerers to find.
testing::ShownReport report;

using testing::DialogAnswerer;
using testing::SeenDialog;
using testing::TestWindow;

std::wstring UniqueTitle(const wchar_t* stem) {
  return std::wstring(stem) + L" " + testing::UniqueSuffix();
}

// ---- IsTaskRunning ---------------------------------------------------------------------------

TEST(IsTaskRunning, FindsAWindowByItsWholeTitle) {
  const std::wstring title = UniqueTitle(L"Corvex IDE \u00e9dition");
  const TestWindow window(title);
  ASSERT_NE(window.get(), nullptr);
  DialogAnswerer answerer;
  EXPECT_TRUE(modGlobal::IsTaskRunning(report, platform::Narrow(title)));
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST(IsTaskRunning, PrefixesAndLongerTitlesDoNotMatch) {
  const std::wstring title = UniqueTitle(L"Corvex IDE");
  const TestWindow window(title + L" - project");
  ASSERT_NE(window.get(), nullptr);
  DialogAnswerer answerer;
  EXPECT_FALSE(modGlobal::IsTaskRunning(report, platform::Narrow(title)));
  EXPECT_FALSE(modGlobal::IsTaskRunning(report, platform::Narrow(title + L" - project - more")));
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST(IsTaskRunning, NothingFoundIsNoErrorAndShowsNoBox) {
  DialogAnswerer answerer;
  EXPECT_FALSE(modGlobal::IsTaskRunning(report, platform::Narrow(UniqueTitle(L"No such window"))));
  // Wine leaves the last error untouched when nothing is found: a stale one must not count.
  ::SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_FALSE(modGlobal::IsTaskRunning(report, platform::Narrow(UniqueTitle(L"No such window"))));
  EXPECT_TRUE(answerer.Finish().empty()) << "a window that is merely absent was reported";
}

TEST(IsTaskRunning, AGoneWindowIsNoLongerFound) {
  const std::wstring title = UniqueTitle(L"Corvex IDE");
  {
    const TestWindow window(title);
    ASSERT_TRUE(modGlobal::IsTaskRunning(report, platform::Narrow(title)));
  }
  EXPECT_FALSE(modGlobal::IsTaskRunning(report, platform::Narrow(title)));
}

// A desktop's windows come and go all the time. One that goes while the search reads its title
// is simply not there: no box, which would stop the wait for the IDE until someone answers it.
TEST(IsTaskRunning, WindowsGoingAwayDuringTheSearchAreNoError) {
  const std::wstring churnTitle = UniqueTitle(L"Passing window");
  auto churn = testing::StartProcess(testing::ExecutableFolder() + L"\\WindowChurn.exe",
                                     L"\"" + churnTitle + L"\" 20000");
  ASSERT_TRUE(churn) << "WindowChurn.exe did not start: " << ::GetLastError();
  const platform::KernelHandle process = std::move(churn->process);
  // Under the emulator a program takes a second or more to start.
  for (int tries = 0; tries < 500 && !::FindWindowW(nullptr, churnTitle.c_str()); ++tries)
    ::Sleep(20);
  ASSERT_NE(::FindWindowW(nullptr, churnTitle.c_str()), nullptr) << "the churn never began";

  // Kept, not shown: a box would stop the loop until someone answered it.
  testing::ShownReport kept(false);
  const std::vector<std::string>& reported = kept.boxes;
  const std::string absent = platform::Narrow(UniqueTitle(L"Corvex IDE"));
  int searches = 0;
  for (const ULONGLONG end = ::GetTickCount64() + 3000;
       ::GetTickCount64() < end && reported.empty(); ++searches)
    EXPECT_FALSE(modGlobal::IsTaskRunning(kept, absent));
  ::TerminateProcess(process.get(), 0);

  EXPECT_TRUE(reported.empty()) << "after " << searches << " searches: " << reported.front();
}

// ---- EndTask ---------------------------------------------------------------------------------

TEST(EndTask, MissingWindowGivesZeroAndNoBox) {
  DialogAnswerer answerer;
  ::SetLastError(ERROR_ACCESS_DENIED);
  EXPECT_EQ(modGlobal::EndTask(report, platform::Narrow(UniqueTitle(L"No such window"))), 0);
  EXPECT_TRUE(answerer.Finish().empty());
}

TEST(EndTask, EnabledWindowGetsOneCloseRequestAndTheProgramYieldsOnce) {
  const std::wstring title = UniqueTitle(L"Corvex IDE");
  const TestWindow window(title);
  ASSERT_NE(window.get(), nullptr);
  // Pending before the call: only a yield inside EndTask can deliver it.
  window.PostPing();

  EXPECT_EQ(modGlobal::EndTask(report, platform::Narrow(title)), -1);
  EXPECT_EQ(window.closeRequests(), 1);
  EXPECT_EQ(window.pings(), 1);

  testing::PumpPending();
  EXPECT_EQ(window.closeRequests(), 1) << "more than one close request was posted";
  EXPECT_TRUE(::IsWindow(window.get())) << "EndTask must not close the window itself";
}

TEST(EndTask, DisabledWindowGetsNothingAndThereIsNoYield) {
  const std::wstring title = UniqueTitle(L"Corvex IDE");
  const TestWindow window(title);
  ASSERT_NE(window.get(), nullptr);
  ::EnableWindow(window.get(), FALSE);
  window.PostPing();

  EXPECT_EQ(modGlobal::EndTask(report, platform::Narrow(title)), -1);
  EXPECT_EQ(window.pings(), 0) << "EndTask yielded for a disabled window";

  testing::PumpPending();
  EXPECT_EQ(window.pings(), 1);
  EXPECT_EQ(window.closeRequests(), 0);
}

TEST(EndTask, OnlyTheFirstOfTwoSameTitledWindowsIsAsked) {
  const std::wstring title = UniqueTitle(L"Corvex IDE");
  const TestWindow first(title);
  const TestWindow second(title);
  ASSERT_NE(first.get(), nullptr);
  ASSERT_NE(second.get(), nullptr);
  const HWND found = ::FindWindowW(nullptr, title.c_str());
  ASSERT_TRUE(found == first.get() || found == second.get());
  const TestWindow& chosen = found == first.get() ? first : second;
  const TestWindow& other = found == first.get() ? second : first;

  EXPECT_EQ(modGlobal::EndTask(report, platform::Narrow(title)), -1);
  testing::PumpPending();
  EXPECT_EQ(chosen.closeRequests(), 1);
  EXPECT_EQ(other.closeRequests(), 0);
}

// A window with its own thread and message loop, as the IDE's window is to the program.
class PeerWindow {
 public:
  explicit PeerWindow(std::wstring title) : title_(std::move(title)) {
    thread_.reset(::CreateThread(nullptr, 0, &PeerWindow::Run, this, 0, nullptr));
  }
  ~PeerWindow() { Stop(); }

  bool WaitReady() const { return ::WaitForSingleObject(ready_.get(), kWait) == WAIT_OBJECT_0; }
  bool WaitClosed() const { return ::WaitForSingleObject(closed_.get(), kWait) == WAIT_OBJECT_0; }
  // Ends the thread and answers how many close requests its window received in all.
  int Stop() {
    if (thread_) {
      ::SetEvent(quit_.get());
      ::WaitForSingleObject(thread_.get(), kWait);
      thread_.reset();
    }
    return closes_;
  }

 private:
  static constexpr DWORD kWait = 10000;

  static DWORD WINAPI Run(void* self) {
    static_cast<PeerWindow*>(self)->Loop();
    return 0;
  }
  void Loop() {
    const TestWindow window(title_);
    ::SetEvent(ready_.get());
    const HANDLE quit = quit_.get();
    while (::MsgWaitForMultipleObjects(1, &quit, FALSE, kWait, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
      testing::PumpPending();
      if (window.closeRequests() > 0) ::SetEvent(closed_.get());
    }
    testing::PumpPending();
    closes_ = window.closeRequests();
  }

  std::wstring title_;
  platform::KernelHandle ready_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  platform::KernelHandle closed_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  platform::KernelHandle quit_{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
  platform::KernelHandle thread_;
  int closes_ = 0;
};

TEST(EndTask, WindowOfAnotherThreadGetsOneCloseRequest) {
  const std::wstring title = UniqueTitle(L"Corvex IDE");
  PeerWindow peer(title);
  ASSERT_TRUE(peer.WaitReady());

  EXPECT_EQ(modGlobal::EndTask(report, platform::Narrow(title)), -1);
  EXPECT_TRUE(peer.WaitClosed());
  EXPECT_EQ(peer.Stop(), 1);
}

// ---- SetTopMost ------------------------------------------------------------------------------

bool IsTopMost(HWND window) { return (::GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(SetTopMost, EntersAndLeavesTheTopmostBandKeepingPlaceAndSize) {
  const TestWindow window(UniqueTitle(L"Tarnwell topmost"), RECT{110, 130, 470, 350});
  ASSERT_NE(window.get(), nullptr);
  RECT before{};
  ::GetWindowRect(window.get(), &before);
  ASSERT_FALSE(IsTopMost(window.get()));
  ASSERT_FALSE(::IsWindowVisible(window.get()));

  modGlobal::SetTopMost(window.native(), true);
  RECT after{};
  ::GetWindowRect(window.get(), &after);
  EXPECT_TRUE(IsTopMost(window.get()));
  EXPECT_TRUE(::IsWindowVisible(window.get()));
  EXPECT_TRUE(SameRect(before, after));

  ::ShowWindow(window.get(), SW_HIDE);
  modGlobal::SetTopMost(window.native(), false);
  ::GetWindowRect(window.get(), &after);
  EXPECT_FALSE(IsTopMost(window.get()));
  EXPECT_TRUE(::IsWindowVisible(window.get())) << "leaving the band also shows the window";
  EXPECT_TRUE(SameRect(before, after));
}

// ---- Message boxes ---------------------------------------------------------------------------

TEST(MessageBoxes, ShowErrorDescribesTheErrorUnderSubjectAndProcedure) {
  DialogAnswerer answerer;
  modGlobal::ShowError(report, RuntimeError{5, "TarnwellUpdate", "Invalid procedure call"},
                       "Corvex IDE", "IsTaskRunning");
  const std::vector<SeenDialog> seen = answerer.Finish();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"Corvex IDE IsTaskRunning");
  EXPECT_EQ(seen[0].text, L"Error #  5 was generated by TarnwellUpdate\r\nInvalid procedure call");
  EXPECT_TRUE(seen[0].iconShown) << "the error box has the critical icon";
}

TEST(MessageBoxes, ShowErrorWritesANegativeNumberWithItsSign) {
  DialogAnswerer answerer;
  modGlobal::ShowError(report, RuntimeError{-2147467259, "user32", "Unspecified \u00e9rror"}, "s",
                       "p");
  const std::vector<SeenDialog> seen = answerer.Finish();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"s p");
  EXPECT_EQ(seen[0].text, L"Error # -2147467259 was generated by user32\r\nUnspecified \u00e9rror");
}

TEST(MessageBoxes, ShowMessageUsesTheApplicationTitleAndNoIcon) {
  DialogAnswerer answerer;
  modGlobal::ShowMessage(report, "EndTask: cannot terminate Corvex IDE task");
  const std::vector<SeenDialog> seen = answerer.Finish();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].title, L"TarnwellUpdate");
  EXPECT_EQ(seen[0].text, L"EndTask: cannot terminate Corvex IDE task");
  EXPECT_FALSE(seen[0].iconShown);
}

}  // namespace
}  // namespace tarnwell
