// The real window against the window system: its design values, the self-sizing label, the
// geometry the controller reads and writes in twips, closing, and the keyboard.

#include "win32/Win32Form.h"
#include "win32/system/Win32Pump.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Dpi.h"
#include "platform/MessagePump.h"
#include "platform/WindowContract.h"
#include "tests/support/WindowText.h"
#include "tests/win32/window/DpiMove.h"

namespace tarnwell::win32 {
namespace {

using platform::DoEvents;
using platform::kCancelId;
using platform::kLabelId;
using platform::kOkId;
using tarnwell::testing::ClassOf;
using tarnwell::testing::TextOf;

class RecordingEvents final : public FormEvents {
 public:
  void cmdOK_Click() override {
    ++okClicks;
    if (onOk) onOk();
  }
  void cmdCancel_Click() override { ++cancelClicks; }
  void Form_QueryUnload(int& cancel, int unloadMode) override {
    unloadModes.push_back(unloadMode);
    cancel = keepOpen ? -1 : 0;
  }
  void Form_DpiChanged() override { ++dpiChanges; }

  int okClicks = 0;
  int cancelClicks = 0;
  int dpiChanges = 0;
  std::vector<int> unloadModes;
  bool keepOpen = false;
  std::function<void()> onOk;
};

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle) ::GetObjectW(handle, sizeof font, &font);
  return font;
}

class Win32FormTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(form.Exists());
    window = form.Window();
    dpi = ::GetDeviceCaps(screen, LOGPIXELSX);
    twipsPerPixel = 1440.0 / dpi;
    label = ::GetDlgItem(window, kLabelId);
    ok = ::GetDlgItem(window, kOkId);
    cancel = ::GetDlgItem(window, kCancelId);
  }
  void TearDown() override { ::ReleaseDC(nullptr, screen); }

  // Handles what is pending, as the program's yields do.
  void Pump() { DoEvents(); }

  // Shows the window and gives it the keyboard, as a user's start does.
  void Activate() {
    form.Show();
    ::SetForegroundWindow(window);
    ::SetActiveWindow(window);
    Pump();
  }

  SIZE ClientSize() const {
    RECT r{};
    ::GetClientRect(window, &r);
    return {r.right, r.bottom};
  }

  void ExpectTwips(double actual, double expected, const char* what) const {
    EXPECT_NEAR(actual, expected, twipsPerPixel) << what;
  }

  void ExpectBounds(const Bounds& actual, const Bounds& expected, const char* what) const {
    ExpectTwips(actual.left, expected.left, what);
    ExpectTwips(actual.top, expected.top, what);
    ExpectTwips(actual.width, expected.width, what);
    ExpectTwips(actual.height, expected.height, what);
  }

  RecordingEvents events;
  Win32Form form{events, ::GetModuleHandleW(nullptr)};
  HDC screen = ::GetDC(nullptr);
  HWND window = nullptr;
  HWND label = nullptr;
  HWND ok = nullptr;
  HWND cancel = nullptr;
  int dpi = 96;
  double twipsPerPixel = 15;
};

TEST_F(Win32FormTest, IsCreatedHiddenWithTheDesignFrameAndGeometry) {
  EXPECT_FALSE(::IsWindowVisible(window));
  EXPECT_EQ(TextOf(window), L"Quandrel.dll  Update");
  const LONG style = ::GetWindowLongW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  EXPECT_EQ(::GetClassLongPtrW(window, GCLP_HBRBACKGROUND), COLOR_BTNFACE + 1);
  EXPECT_EQ(form.Handle(), reinterpret_cast<NativeWindow>(window));

  ExpectBounds(form.ControlBounds(Control::lblMessage), {2055, 120, 105, 195}, "label");
  ExpectBounds(form.ControlBounds(Control::cmdOK), {1080, 1680, 855, 375}, "OK");
  ExpectBounds(form.ControlBounds(Control::cmdCancel), {240, 1680, 855, 375}, "Cancel");
  const Bounds outer = form.WindowBounds();
  ExpectTwips(outer.width, 3105 + 90, "window width");
  ExpectTwips(outer.height, 2295 + 375, "window height");
  const SIZE client = ClientSize();
  ExpectTwips(client.cx * twipsPerPixel, 3105, "client width");
  ExpectTwips(client.cy * twipsPerPixel, 2295, "client height");

  // The work area of the window's monitor, origin included.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
  const Bounds work = form.Screen();
  EXPECT_DOUBLE_EQ(work.left, monitor.rcWork.left * twipsPerPixel);
  EXPECT_DOUBLE_EQ(work.top, monitor.rcWork.top * twipsPerPixel);
  EXPECT_DOUBLE_EQ(work.width, (monitor.rcWork.right - monitor.rcWork.left) * twipsPerPixel);
  EXPECT_DOUBLE_EQ(work.height, (monitor.rcWork.bottom - monitor.rcWork.top) * twipsPerPixel);
}

TEST_F(Win32FormTest, ControlsCarryTheirIdsTextsStylesAndFonts) {
  ASSERT_TRUE(label && ok && cancel);
  EXPECT_EQ(ClassOf(label), L"Static");
  EXPECT_EQ(ClassOf(ok), L"Button");
  EXPECT_EQ(ClassOf(cancel), L"Button");
  EXPECT_EQ(TextOf(label), L"");
  EXPECT_EQ(TextOf(ok), L"&OK");
  EXPECT_EQ(TextOf(cancel), L"&Cancel");

  EXPECT_TRUE(::GetWindowLongW(label, GWL_STYLE) & WS_VISIBLE);
  EXPECT_TRUE(::GetWindowLongW(ok, GWL_STYLE) & WS_VISIBLE);
  EXPECT_FALSE(::GetWindowLongW(cancel, GWL_STYLE) & WS_VISIBLE);
  for (HWND button : {ok, cancel}) {
    const LONG style = ::GetWindowLongW(button, GWL_STYLE);
    // Neither is the default button, and both take part in Tab.
    EXPECT_EQ(style & BS_TYPEMASK, BS_PUSHBUTTON);
    EXPECT_TRUE(style & WS_TABSTOP);
    const LOGFONTW font = FontOf(button);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfWeight, FW_BOLD);
    EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
    EXPECT_FALSE(font.lfItalic || font.lfUnderline || font.lfStrikeOut);
    EXPECT_EQ(font.lfHeight, -std::lround(9.75 * dpi / 72));
  }
  // The tab order follows creation: OK before Cancel.
  EXPECT_EQ(::GetWindow(ok, GW_HWNDNEXT), cancel);
}

class LabelTest : public Win32FormTest {
 protected:
  Bounds LabelFor(const std::string& text) {
    form.SetLabelCaption(text);
    return form.ControlBounds(Control::lblMessage);
  }
};

TEST_F(LabelTest, SizesItselfToItsLinesWithoutWrapping) {
  const Bounds one = LabelFor("Quandrel.dll is up to date");
  EXPECT_GT(one.width, 0);
  EXPECT_GT(one.height, 0);

  const Bounds two = LabelFor("Quandrel.dll is up to date\r\nQuandrel.dll is up to date");
  EXPECT_FLOAT_EQ(two.height, 2 * one.height);
  EXPECT_FLOAT_EQ(two.width, one.width);

  // The widest line decides, wherever it stands.
  const Bounds widest = LabelFor("Ab");
  const Bounds mixed = LabelFor("Ab\r\nQuandrel.dll is up to date\r\nAb");
  EXPECT_FLOAT_EQ(mixed.width, one.width);
  EXPECT_FLOAT_EQ(mixed.height, 3 * one.height);
  EXPECT_LT(widest.width, one.width);

  // A long line stays one line, however wide it gets.
  const Bounds longLine = LabelFor(std::string(300, 'W'));
  EXPECT_FLOAT_EQ(longLine.height, one.height);
  EXPECT_GT(longLine.width, form.WindowBounds().width);
}

TEST_F(LabelTest, TrailingBlanksWidenIt) {
  const Bounds plain = LabelFor("Work in hand");
  const Bounds blanks = LabelFor("Work in hand  ");
  EXPECT_GT(blanks.width, plain.width);
  EXPECT_FLOAT_EQ(blanks.height, plain.height);
}

TEST_F(LabelTest, HoldsTheWholeTextForOtherProgramsAndKeepsItsPlace) {
  const Bounds before = form.ControlBounds(Control::lblMessage);
  form.SetLabelCaption("Line one\r\nLine two & more");
  EXPECT_EQ(TextOf(label), L"Line one\r\nLine two & more");
  const Bounds after = form.ControlBounds(Control::lblMessage);
  EXPECT_FLOAT_EQ(after.left, before.left);
  EXPECT_FLOAT_EQ(after.top, before.top);
  // Non-ASCII text arrives intact through the UTF-8 interface.
  form.SetLabelCaption(
      "Gr\xC3\xBC\xC3\x9F"
      "e");
  EXPECT_EQ(TextOf(label), L"Gr\u00FC\u00DFe");
}

// Reads the colours drawn inside the label from the screen; needs a display that draws.
TEST_F(LabelTest, DrawsItsLinesInTheForeColourOnTheWindowsBackground) {
  form.SetLabelCaption("MMMMMMMM\r\nWWWWWWWW");
  form.SetLabelForeColor(0x0000FF);  // red, 0xBBGGRR
  // The whole label inside the client area, as the controller's layout puts it.
  form.MoveControl(Control::lblMessage, 0, 120);
  form.SetWindowWidth(form.ControlBounds(Control::lblMessage).width + 90);
  form.MoveWindow(1500, 1500);
  Activate();
  form.Repaint();
  Pump();

  RECT area{};
  ::GetWindowRect(label, &area);
  const COLORREF faceColour = ::GetSysColor(COLOR_BTNFACE);
  const HDC dc = ::GetDC(nullptr);
  int red = 0;
  int face = 0;
  int foreign = 0;
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      const COLORREF pixel = ::GetPixel(dc, x, y);
      if (pixel == RGB(255, 0, 0)) {
        ++red;
      } else if (pixel == faceColour) {
        ++face;
      } else if (std::abs(GetGValue(pixel) - GetBValue(pixel)) > 8 ||
                 GetRValue(pixel) + 16 < GetRValue(faceColour)) {
        // Smoothed edges blend red into the grey face; anything else is a foreign colour.
        ++foreign;
      }
    }
  }
  ::ReleaseDC(nullptr, dc);
  if (red == 0 && face == 0) GTEST_SKIP() << "this display returns no pixels";
  EXPECT_GT(red, 0);
  EXPECT_GT(face, red);
  EXPECT_EQ(foreign, 0);
}

class GeometryTest : public Win32FormTest {};

TEST_F(GeometryTest, TheWindowTakesTheWidthAndHeightItIsGiven) {
  form.SetWindowWidth(4500);
  form.SetWindowHeight(3000);
  const Bounds outer = form.WindowBounds();
  ExpectTwips(outer.width, 4500, "width");
  ExpectTwips(outer.height, 3000, "height");
  // The classic allowances become the client area's margins on the real frame.
  const SIZE client = ClientSize();
  ExpectTwips(client.cx * twipsPerPixel, 4500 - 90, "client width");
  ExpectTwips(client.cy * twipsPerPixel, 3000 - 375, "client height");
}

TEST_F(GeometryTest, AWindowAsWideAsTheLabelPlus90HasTheLabelsClientWidth) {
  form.SetLabelCaption("The installed copy is older than the new one.");
  const Bounds text = form.ControlBounds(Control::lblMessage);
  form.SetWindowWidth(text.width + 90);
  RECT labelRect{};
  ::GetWindowRect(label, &labelRect);
  EXPECT_EQ(ClientSize().cx, labelRect.right - labelRect.left);
}

TEST_F(GeometryTest, PositionsReadBackAndSizeChangesKeepTheLeftAndTop) {
  form.MoveWindow(1500, 900);
  ExpectTwips(form.WindowBounds().left, 1500, "left");
  ExpectTwips(form.WindowBounds().top, 900, "top");
  form.SetWindowWidth(6000);
  form.SetWindowHeight(4000);
  const Bounds outer = form.WindowBounds();
  ExpectTwips(outer.left, 1500, "left after width");
  ExpectTwips(outer.top, 900, "top after height");
  // Nothing clamps a window to the screen.
  form.MoveWindow(-3000, 900);
  ExpectTwips(form.WindowBounds().left, -3000, "negative left");
  ExpectTwips(form.WindowBounds().top, 900, "top beside a negative left");
}

TEST_F(GeometryTest, TheReportedRectangleSharesTheRealWindowsCentre) {
  form.MoveWindow(3000, 2000);
  form.SetWindowWidth(5000);
  form.SetWindowHeight(3500);
  RECT real{};
  ::GetWindowRect(window, &real);
  const Bounds model = form.WindowBounds();
  ExpectTwips(model.left + model.width / 2, (real.left + real.right) / 2.0 * twipsPerPixel, "x");
  ExpectTwips(model.top + model.height / 2, (real.top + real.bottom) / 2.0 * twipsPerPixel, "y");
}

TEST_F(GeometryTest, ControlsMoveInClientTwipsAndKeepTheirSize) {
  form.MoveControl(Control::cmdOK, 300, 450);
  form.MoveControl(Control::cmdCancel, -530, 450);
  ExpectBounds(form.ControlBounds(Control::cmdOK), {300, 450, 855, 375}, "OK");
  ExpectBounds(form.ControlBounds(Control::cmdCancel), {-530, 450, 855, 375}, "Cancel");
  POINT corner{0, 0};
  ::MapWindowPoints(ok, window, &corner, 1);
  ExpectTwips(corner.x * twipsPerPixel, 300, "OK's client x");
  form.MoveControl(Control::lblMessage, 0, 120);
  ExpectTwips(form.ControlBounds(Control::lblMessage).left, 0, "label left");
}

TEST_F(GeometryTest, VisibilityOfEachControlFollowsTheController) {
  form.SetVisible(Control::cmdCancel, true);
  EXPECT_TRUE(::GetWindowLongW(cancel, GWL_STYLE) & WS_VISIBLE);
  form.SetVisible(Control::cmdOK, false);
  EXPECT_FALSE(::GetWindowLongW(ok, GWL_STYLE) & WS_VISIBLE);
  form.SetVisible(Control::cmdCancel, false);
  EXPECT_FALSE(::GetWindowLongW(cancel, GWL_STYLE) & WS_VISIBLE);
}

TEST_F(GeometryTest, AMonitorOfAnotherScaleGivesNewFontsDesignSizesTitleWidthAndANewLayout) {
  // As narrow as the window allows: the title decides the width.
  form.SetLabelCaption("Ab");
  form.SetWindowWidth(form.ControlBounds(Control::lblMessage).width + 90);
  const int narrowest = ClientSize().cx;
  const Bounds okBefore = form.ControlBounds(Control::cmdOK);
  const Bounds labelBefore = form.ControlBounds(Control::lblMessage);
  const UINT scaled = static_cast<UINT>(dpi) * 3 / 2;

  MoveToScale(window, scaled, static_cast<UINT>(dpi));

  EXPECT_EQ(events.dpiChanges, 1) << "the controller is asked for a new layout";
  const double twipsPerScaledPixel = 1440.0 / scaled;
  for (HWND button : {ok, cancel}) {
    EXPECT_EQ(FontOf(button).lfHeight, -std::lround(9.75 * scaled / 72));
    RECT r{};
    ::GetWindowRect(button, &r);
    EXPECT_EQ(r.right - r.left, std::lround(855 / twipsPerScaledPixel));
    EXPECT_EQ(r.bottom - r.top, std::lround(375 / twipsPerScaledPixel));
  }
  // In twips nothing moved.
  const Bounds okAfter = form.ControlBounds(Control::cmdOK);
  EXPECT_NEAR(okAfter.left, okBefore.left, twipsPerPixel);
  EXPECT_NEAR(okAfter.top, okBefore.top, twipsPerPixel);
  EXPECT_NEAR(form.ControlBounds(Control::lblMessage).top, labelBefore.top, twipsPerPixel);

  // The title's least width is the new scale's: half as many pixels again.
  form.SetWindowWidth(form.ControlBounds(Control::lblMessage).width + 90);
  EXPECT_NEAR(static_cast<double>(ClientSize().cx) / narrowest, 1.5, 0.1);
  // The work area in the new scale's twips.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor));
  EXPECT_NEAR(form.Screen().width,
              (monitor.rcWork.right - monitor.rcWork.left) * twipsPerScaledPixel, 0.01);
  // And the window reads back in them.
  RECT client{};
  ::GetClientRect(window, &client);
  EXPECT_NEAR(form.WindowBounds().width, client.right * twipsPerScaledPixel + 90, 1e-3);
}

class ClosingTest : public Win32FormTest {};

TEST_F(ClosingTest, ACloseRequestAsksTheControllerAsControlMenuAndDestroys) {
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(events.unloadModes, std::vector<int>{vbFormControlMenu});
  EXPECT_FALSE(form.Exists());
  EXPECT_FALSE(::IsWindow(window));
}

TEST_F(ClosingTest, TheSystemMenusCloseCountsAsControlMenu) {
  ::SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  EXPECT_EQ(events.unloadModes, std::vector<int>{vbFormControlMenu});
  EXPECT_FALSE(form.Exists());
}

TEST_F(ClosingTest, UnloadAsksTheControllerAsCodeAndDestroys) {
  form.Unload();
  EXPECT_EQ(events.unloadModes, std::vector<int>{vbFormCode});
  EXPECT_FALSE(form.Exists());
  EXPECT_FALSE(::IsWindow(window));
}

TEST_F(ClosingTest, AControllerThatCancelsKeepsTheWindow) {
  events.keepOpen = true;
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  form.Unload();
  EXPECT_EQ(events.unloadModes, (std::vector<int>{vbFormControlMenu, vbFormCode}));
  EXPECT_TRUE(form.Exists());
  EXPECT_TRUE(::IsWindow(window));
}

TEST_F(ClosingTest, DestroyingWakesTheMainLoop) {
  MSG msg;
  while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
  }
  form.Unload();
  // A thread message (no window) that GetMessage returns, so the loop sees the window gone.
  EXPECT_TRUE(::PeekMessageW(&msg, reinterpret_cast<HWND>(-1), WM_NULL, WM_NULL, PM_REMOVE));
  EXPECT_EQ(msg.hwnd, nullptr);
  // Nor does it ask the whole program to quit.
  EXPECT_FALSE(::PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

TEST_F(ClosingTest, EverythingIsHarmlessOnceTheWindowIsGone) {
  form.Unload();
  ASSERT_FALSE(form.Exists());
  form.Unload();
  ::SendMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(events.unloadModes.size(), 1u);

  form.SetLabelCaption("late");
  form.SetLabelForeColor(0x00C000);
  form.MoveControl(Control::cmdOK, 10, 10);
  form.SetVisible(Control::cmdCancel, true);
  form.MoveWindow(10, 10);
  form.SetWindowWidth(3000);
  form.SetWindowHeight(3000);
  form.Show();
  form.Repaint();
  form.SetTopMost(true);

  EXPECT_EQ(form.Handle(), 0u);
  const Bounds outer = form.WindowBounds();
  EXPECT_EQ(outer.width, 0);
  EXPECT_EQ(outer.height, 0);
  EXPECT_EQ(form.ControlBounds(Control::cmdOK).width, 0);
  EXPECT_EQ(form.Screen().width, 0);
  EXPECT_FALSE(::IsWindow(window));
}

class CommandTest : public Win32FormTest {};

TEST_F(CommandTest, EachButtonClicksItsOwnHandler) {
  form.SetVisible(Control::cmdCancel, true);
  ::SendMessageW(ok, BM_CLICK, 0, 0);
  EXPECT_EQ(events.okClicks, 1);
  EXPECT_EQ(events.cancelClicks, 0);
  ::SendMessageW(cancel, BM_CLICK, 0, 0);
  EXPECT_EQ(events.okClicks, 1);
  EXPECT_EQ(events.cancelClicks, 1);
  EXPECT_TRUE(events.unloadModes.empty());
}

TEST_F(CommandTest, EnterAndEscClickNothingAndCloseNothing) {
  form.SetVisible(Control::cmdCancel, true);
  Activate();
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    const HWND target = ::GetFocus() ? ::GetFocus() : window;
    ::PostMessageW(target, WM_KEYDOWN, key, 1);
    ::PostMessageW(target, WM_KEYUP, key, 1 | (1u << 30) | (1u << 31));
    Pump();
  }
  // What the dialog manager sends for them when no button is the default or cancel button.
  ::SendMessageW(window, WM_COMMAND, IDOK, 0);
  ::SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
  EXPECT_EQ(events.okClicks, 0);
  EXPECT_EQ(events.cancelClicks, 0);
  EXPECT_TRUE(events.unloadModes.empty());
  EXPECT_TRUE(form.Exists());
}

TEST_F(CommandTest, TabMovesBetweenTheButtonsAndAccessKeysClick) {
  form.SetVisible(Control::cmdCancel, true);
  Activate();
  ASSERT_EQ(::GetFocus(), ok) << "the first button in tab order takes the focus";

  ::PostMessageW(ok, WM_KEYDOWN, VK_TAB, 1);
  Pump();
  EXPECT_EQ(::GetFocus(), cancel);
  // Tab does not make the focused button the default one: Enter still clicks nothing.
  EXPECT_EQ(::GetWindowLongW(cancel, GWL_STYLE) & BS_TYPEMASK, BS_PUSHBUTTON);
  ::PostMessageW(cancel, WM_KEYDOWN, VK_RETURN, 1);
  Pump();
  EXPECT_EQ(events.cancelClicks, 0);
  // Space presses the focused button, as on any button.
  ::PostMessageW(cancel, WM_KEYDOWN, VK_SPACE, 1);
  ::PostMessageW(cancel, WM_KEYUP, VK_SPACE, 1 | (1u << 30) | (1u << 31));
  Pump();
  EXPECT_EQ(events.cancelClicks, 1);

  // Alt+O and Alt+C arrive as system characters with the Alt bit set.
  ::PostMessageW(::GetFocus(), WM_SYSCHAR, 'o', 1 | (1u << 29));
  Pump();
  EXPECT_EQ(events.okClicks, 1);
  ::PostMessageW(::GetFocus(), WM_SYSCHAR, 'c', 1 | (1u << 29));
  Pump();
  EXPECT_EQ(events.cancelClicks, 2);
}

TEST_F(CommandTest, AClickHandlerMayCloseTheWindowWhileYielding) {
  events.onOk = [this] {
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    Win32Pump().DoEvents(std::chrono::milliseconds(1000));
    EXPECT_FALSE(form.Exists());
  };
  ::SendMessageW(ok, BM_CLICK, 0, 0);
  EXPECT_EQ(events.okClicks, 1);
  EXPECT_EQ(events.unloadModes, std::vector<int>{vbFormControlMenu});
  EXPECT_FALSE(::IsWindow(window));
}

TEST_F(CommandTest, AFailingHandlerDoesNotUnwindThroughTheWindow) {
  events.onOk = [] { throw std::runtime_error("handler failed"); };
  ::SendMessageW(ok, BM_CLICK, 0, 0);
  EXPECT_EQ(events.okClicks, 1);
  EXPECT_TRUE(form.Exists());
}

}  // namespace
}  // namespace tarnwell::win32
