// Lays out one named state of the program for a screenshot taken from the Linux side:
//
//   screenshot_driver.exe <state> <handshake folder>
//
// It sets the scenario up, starts the program, brings the window into the state, waits until
// the label is drawn in the state's colour, prints "ready <left> <top> <right> <bottom>" (the
// window's outer rectangle in screen pixels) and waits, bounded, for a file named "continue"
// in the handshake folder. Then it ends the program and removes everything it made. The exit
// code is 0 only when the state was reached and everything went as expected.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"

namespace tarnwell::e2e {
namespace {

constexpr DWORD kHandshakeTimeoutMs = 120000;
// Buttons and frame are painted along with the label; this lets the last of it reach the screen.
constexpr DWORD kPaintSettleMs = 300;

std::wstring g_handshake;

// Announces the window and waits for the screenshot to be taken.
void Hold(HWND window, COLORREF colour) {
  ASSERT_NE(window, nullptr) << "the program showed no window";
  const PixelCounts pixels = WaitForLabelColour(window, colour);
  ASSERT_GE(pixels.Of(colour), 30u) << "the label is not drawn in 0x" << std::hex << colour;
  Sleep(kPaintSettleMs);
  const Rect r = ReadWindow(window).rect;
  std::printf("ready %d %d %d %d\n", r.left, r.top, r.right, r.bottom);
  std::fflush(stdout);
  const std::wstring flag = g_handshake + L"\\continue";
  const ULONGLONG deadline = GetTickCount64() + kHandshakeTimeoutMs;
  while (!FileExists(flag)) {
    ASSERT_LT(GetTickCount64(), deadline) << "nobody took the screenshot";
    Sleep(50);
  }
}

void Finish(Program& program, HWND window, int button) {
  ASSERT_TRUE(Click(window, button));
  EXPECT_TRUE(program.WaitForExit().has_value());
}

// Starts the program in `s` as set up and holds the outcome it shows at start-up.
void HoldOutcome(Scenario& s, COLORREF colour) {
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  Hold(window, colour);
  Finish(program, window, kOkId);
}

TEST(Screenshot, up_to_date) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.4");
  HoldOutcome(s, kRed);
}

TEST(Screenshot, fresh_install) {
  Scenario s;
  s.Ship(L"1.2.3.4");
  HoldOutcome(s, kGreen);
}

TEST(Screenshot, fresh_install_not_registered) {
  Scenario s;
  s.Ship(L"1.2.3.5-register-fails");
  HoldOutcome(s, kRed);
}

TEST(Screenshot, missing) {
  Scenario s;
  HoldOutcome(s, kRed);
}

// An update is needed while the host runs; `mode` is how the host answers a close request.
HWND StartConfirmation(Scenario& s, Program& program, const wchar_t* mode) {
  HostSettings host;
  host.mode = mode;
  if (!StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", host)) {
    ADD_FAILURE() << "the host showed no window";
    return nullptr;
  }
  program = s.Start();
  return program.WaitForWindow();
}

TEST(Screenshot, confirm_update) {
  Scenario s;
  Program program;
  HWND window = StartConfirmation(s, program, L"close");
  Hold(window, kDarkBlue);
  Finish(program, window, kCancelId);
}

TEST(Screenshot, waiting) {
  Scenario s;
  Program program;
  HWND window = StartConfirmation(s, program, L"refuse");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Waiting(), kSettleTimeoutMs));
  Hold(window, kOrange);
  Finish(program, window, kCancelId);
}

TEST(Screenshot, updated) {
  Scenario s;
  Program program;
  HWND window = StartConfirmation(s, program, L"close");
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5"), kSettleTimeoutMs));
  Hold(window, kGreen);
  Finish(program, window, kOkId);
}

// The installed copy is held open without delete sharing, so it cannot be removed.
TEST(Screenshot, update_failed) {
  Scenario s;
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5"), nullptr);
  HeldOpen held(s.InstalledPath());
  ASSERT_TRUE(held.Active());
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, InUse(), kSettleTimeoutMs));
  Hold(window, kRed);
  Finish(program, window, kOkId);
}

}  // namespace
}  // namespace tarnwell::e2e

int wmain(int argc, wchar_t** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc != 3) {
    std::fprintf(stderr, "usage: screenshot_driver <state> <handshake folder>\n");
    return 2;
  }
  std::wstring state = argv[1];
  for (wchar_t& c : state)
    if (c == L'-') c = L'_';
  tarnwell::e2e::g_handshake = argv[2];
  GTEST_FLAG_SET(filter, "Screenshot." + tarnwell::e2e::Narrow(state));
  const int failed = RUN_ALL_TESTS();
  // A state name matching no case would otherwise pass.
  if (::testing::UnitTest::GetInstance()->test_to_run_count() != 1) {
    std::fprintf(stderr, "screenshot_driver: no state named %s\n",
                 tarnwell::e2e::Narrow(state).c_str());
    return 2;
  }
  return failed;
}
