// The window as a user sees it, read from outside in every state the program shows: title,
// frame and icon; where the label and the buttons lie and how large they are; the margins;
// the centring on the screen; topmost; the label's colour as drawn, line by line; nothing
// clipped; the access keys of the two buttons; and what a screen reader is told of them.
//
// Geometry is designed in twips (15 to a pixel at 96 DPI). The controller reckons with a
// model window whose outer size is the client size plus 90 twips wide and 375 twips high and
// whose centre is the real window's centre; the expectations below follow from that model.
// Each value computed from twips may be off by one pixel of rounding, never more.

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/Lines.h"
#include "platform/Dpi.h"
#include "platform/Gdi.h"
#include "tests/e2e/Expected.h"
#include "tests/e2e/Steps.h"
#include "tests/e2e/driver/Scenario.h"
#include "tests/support/Accessible.h"
#include "tests/support/Capture.h"

namespace tarnwell::e2e {
namespace {

// Design values, twips.
constexpr double kLabelTop = 120;
constexpr double kButtonGapBelowLabel = 100;
constexpr double kButtonWidth = 855;
constexpr double kButtonHeight = 375;
constexpr double kButtonGapFromCentre = 20;
constexpr double kMarginBelowButtons = 125;
constexpr double kModelFrameWidth = 90;
constexpr double kModelFrameHeight = 375;
// Rounding twips to pixels.
constexpr double kTolerance = 1.0;
// A bold line of label text shows at least this many pixels of exactly its colour.
constexpr std::size_t kMinColourPixelsPerLine = 5;

using platform::ScreenDpi;
using tarnwell::testing::Capture;
using tarnwell::testing::Pixels;
using tarnwell::testing::Render;

double Px(double twips) { return twips * ScreenDpi() / 1440.0; }

std::vector<std::wstring_view> SplitLines(const std::wstring& text) {
  return tarnwell::SplitLines(std::wstring_view(text));
}

// The label's design font (MS Sans Serif, 8.25 pt, bold), measured in this process: the same
// prefix substitutes the same face, so its metrics are those the label must have used.
class LabelFont {
 public:
  LabelFont() : screen_(nullptr) {
    LOGFONTW design{};
    design.lfHeight = -static_cast<LONG>(std::lround(8.25 * ScreenDpi() / 72.0));
    design.lfWeight = FW_BOLD;
    design.lfCharSet = ANSI_CHARSET;
    wcscpy(design.lfFaceName, L"MS Sans Serif");
    font_.reset(CreateFontIndirectW(&design));
    if (screen_.get() && font_) previous_ = SelectObject(screen_.get(), font_.get());
  }
  ~LabelFont() {
    if (previous_) SelectObject(screen_.get(), previous_);
  }
  LabelFont(const LabelFont&) = delete;
  LabelFont& operator=(const LabelFont&) = delete;

  bool Ready() const { return screen_.get() && font_ && previous_; }
  int LineHeight() const {
    TEXTMETRICW metrics{};
    return GetTextMetricsW(screen_.get(), &metrics) ? metrics.tmHeight : 0;
  }
  // Trailing blanks count, as they do for the label.
  int Width(std::wstring_view line) const {
    SIZE extent{};
    if (line.empty() ||
        !GetTextExtentPoint32W(screen_.get(), line.data(), static_cast<int>(line.size()), &extent))
      return 0;
    return extent.cx;
  }

 private:
  platform::WindowDc screen_;
  platform::FontHandle font_;
  HGDIOBJ previous_ = nullptr;
};

Rect ClientOnScreen(HWND window) {
  RECT r{};
  GetClientRect(window, &r);
  MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right, r.bottom};
}

// A rectangle relative to the client area's top-left corner.
Rect InClient(const Rect& screen, const Rect& client) {
  return {screen.left - client.left, screen.top - client.top, screen.right - client.left,
          screen.bottom - client.top};
}

std::string Describe(const Rect& r) {
  return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
         std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}

// ---- the window's pixels ----

// Whether the title bar shows the program's own small icon (resource 1 of its file). The
// window system scales the icon its own way, so pixels are not compared one by one: each
// colour the icon shows in quantity (black outlines aside) must appear in the left part of the
// title bar at least half as often. Opaque pixels are those that look the same drawn on black
// and on white.
bool CaptionShowsIcon(HWND window, const std::wstring& programPath) {
  platform::ModuleHandle module(LoadLibraryExW(
      programPath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  const int cx = GetSystemMetrics(SM_CXSMICON), cy = GetSystemMetrics(SM_CYSMICON);
  platform::IconHandle icon(module ? static_cast<HICON>(LoadImageW(
                                         module.get(), MAKEINTRESOURCEW(1), IMAGE_ICON, cx, cy, 0))
                                   : nullptr);
  if (!icon) return false;
  const auto drawOn = [&](COLORREF background) {
    return Render(cx, cy, [&](HDC dc) {
      platform::BrushHandle brush(CreateSolidBrush(background));
      RECT all{0, 0, cx, cy};
      FillRect(dc, &all, brush.get());
      return DrawIconEx(dc, 0, 0, icon.get(), cx, cy, 0, nullptr, DI_NORMAL) != FALSE;
    });
  };
  const Pixels onBlack = drawOn(RGB(0, 0, 0)), onWhite = drawOn(RGB(255, 255, 255));
  const Pixels shown = Capture(window);
  if (onBlack.data.empty() || onWhite.data.empty() || shown.data.empty()) return false;

  std::map<std::uint32_t, int> wanted;
  for (int y = 0; y < cy; ++y)
    for (int x = 0; x < cx; ++x)
      if (onBlack.At(x, y) == onWhite.At(x, y) && onBlack.At(x, y) != 0) ++wanted[onBlack.At(x, y)];
  std::erase_if(wanted, [&](const auto& entry) { return entry.second < cx / 2; });
  if (wanted.empty()) return false;

  // The title bar's left part: above the client area, as far right as a few icons.
  const Rect client = ClientOnScreen(window);
  RECT outer{};
  GetWindowRect(window, &outer);
  const int stripHeight = std::min<int>(client.top - outer.top, shown.height);
  const int stripWidth = std::min(shown.width, 4 * cx);
  std::map<std::uint32_t, int> seen;
  for (int y = 0; y < stripHeight; ++y)
    for (int x = 0; x < stripWidth; ++x) ++seen[shown.At(x, y)];
  for (const auto& [colour, count] : wanted)
    if (seen[colour] * 2 < count) return false;
  return true;
}

// Pixels to spare between the title's text and the icon and close box: the title bar as laid
// out by the window system (small icon + 2 px on the left, a caption-high close box on the
// right). Negative when the title is clipped.
int TitleSpare(HWND window) {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof metrics;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return INT_MIN;
  platform::FontHandle font(CreateFontIndirectW(&metrics.lfCaptionFont));
  SIZE text{};
  {
    const platform::WindowDc screen(nullptr);
    if (!font || !screen.get()) return INT_MIN;
    const HGDIOBJ previous = SelectObject(screen.get(), font.get());
    const std::wstring title = ReadWindow(window).title;
    GetTextExtentPoint32W(screen.get(), title.c_str(), static_cast<int>(title.size()), &text);
    SelectObject(screen.get(), previous);
  }
  RECT outer{};
  GetWindowRect(window, &outer);
  const Rect client = ClientOnScreen(window);
  const int frame = client.left - outer.left;
  const int room = (outer.right - outer.left) - 2 * frame - (GetSystemMetrics(SM_CXSMICON) + 2) -
                   (GetSystemMetrics(SM_CYCAPTION) - 1);
  return room - text.cx;
}

void ExpectTitleFits(HWND window) { EXPECT_GE(TitleSpare(window), 0) << "the title is clipped"; }

// Where the window should be: centred, or (while the host is awaited) moved down by its height.
enum class Placement { Centred, MovedDown };

struct Expected {
  COLORREF colour;
  Buttons buttons;
  Placement placement = Placement::Centred;
};

void ExpectFrame(HWND window, const std::wstring& programPath) {
  SCOPED_TRACE("frame");
  EXPECT_EQ(ReadWindow(window).title, L"Quandrel.dll  Update");
  const LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION) << "no title bar";
  EXPECT_TRUE(style & WS_SYSMENU) << "no system menu";
  EXPECT_FALSE(style & WS_MINIMIZEBOX) << "a minimise box";
  EXPECT_FALSE(style & WS_MAXIMIZEBOX) << "a maximise box";
  EXPECT_FALSE(style & WS_THICKFRAME) << "a sizing frame";
  EXPECT_TRUE(ReadWindow(window).topmost) << "not topmost";

  // The icon may be the window's own (WM_GETICON) or its class's (GetClassLongPtr).
  bool icon = false;
  for (WPARAM kind : {WPARAM{ICON_BIG}, WPARAM{ICON_SMALL}, WPARAM{ICON_SMALL2}}) {
    DWORD_PTR handle = 0;
    if (SendMessageTimeoutW(window, WM_GETICON, kind, 0, SMTO_ABORTIFHUNG, 2000, &handle) && handle)
      icon = true;
  }
  if (GetClassLongPtrW(window, GCLP_HICON) || GetClassLongPtrW(window, GCLP_HICONSM)) icon = true;
  // Under Wine neither answer reaches another process for a class icon; the title bar shows it.
  if (!icon) icon = CaptionShowsIcon(window, programPath);
  EXPECT_TRUE(icon) << "the window shows no icon of its own";
}

// The whole layout of the window as it is now, against the model.
void ExpectLayout(HWND window, const std::wstring& programPath, const Expected& expected) {
  ASSERT_NE(window, nullptr) << "the program showed no window";
  const WindowState state = ReadWindow(window);
  ASSERT_TRUE(state.visible);
  const Rect client = ClientOnScreen(window);
  const Rect label = InClient(state.label.rect, client);
  const Rect ok = InClient(state.ok.rect, client);
  const Rect cancel = InClient(state.cancel.rect, client);
  SCOPED_TRACE("client " + Describe(client) + " label " + Describe(label) + " OK " + Describe(ok) +
               " Cancel " + Describe(cancel));

  ExpectFrame(window, programPath);

  // The label: flush with the client's left edge, 120 twips down, as wide as the client,
  // as wide as its widest line and as high as all its lines in the design font.
  {
    SCOPED_TRACE("label");
    EXPECT_EQ(label.left, 0);
    EXPECT_NEAR(label.top, Px(kLabelTop), kTolerance);
    EXPECT_EQ(label.Width(), client.Width()) << "the label does not fill the client width";
    const LabelFont font;
    ASSERT_TRUE(font.Ready());
    const auto lines = SplitLines(state.label.text);
    ASSERT_GT(font.LineHeight(), 0);
    EXPECT_EQ(label.Height() % static_cast<int>(lines.size()), 0) << lines.size() << " lines";
    EXPECT_EQ(label.Height(), static_cast<int>(lines.size()) * font.LineHeight());
    int widest = 0;
    for (const auto& line : lines) widest = std::max(widest, font.Width(line));
    EXPECT_GT(widest, 0);
    if (label.Width() > widest + kTolerance) {
      // Widened only so that the whole title shows, and then no more than that needs.
      EXPECT_LE(TitleSpare(window), 24)
          << "the label (" << label.Width() << " px) is wider than its widest line (" << widest
          << " px) and than the title needs";
    } else {
      EXPECT_NEAR(label.Width(), widest, kTolerance)
          << "the label is not as wide as its widest line";
    }
    EXPECT_TRUE(client.Contains(state.label.rect)) << "the label is clipped by the client area";
  }

  // The buttons: visibility, size, 100 twips below the label, inside the client area.
  const ControlState* shown[2] = {};
  {
    SCOPED_TRACE("buttons");
    EXPECT_EQ(state.ok.visible, expected.buttons != Buttons::Cancel);
    EXPECT_EQ(state.cancel.visible, expected.buttons != Buttons::Ok);
    std::size_t n = 0;
    if (state.ok.visible) shown[n++] = &state.ok;
    if (state.cancel.visible) shown[n++] = &state.cancel;
    ASSERT_GT(n, 0u) << "no button is visible";
    for (const ControlState* button : shown) {
      if (!button) continue;
      SCOPED_TRACE(Narrow(button->text));
      const Rect r = InClient(button->rect, client);
      EXPECT_NEAR(r.Width(), Px(kButtonWidth), kTolerance);
      EXPECT_NEAR(r.Height(), Px(kButtonHeight), kTolerance);
      EXPECT_NEAR(r.top, label.bottom + Px(kButtonGapBelowLabel), kTolerance)
          << "gap below the label";
      EXPECT_NEAR(client.Height() - r.bottom, Px(kMarginBelowButtons), kTolerance)
          << "margin below the button";
      EXPECT_TRUE(client.Contains(button->rect)) << "the button lies outside the client area";
    }
  }

  // Their horizontal places, from the model width W = client width + 90 twips.
  {
    SCOPED_TRACE("button places");
    const double half = (client.Width() + Px(kModelFrameWidth)) / 2;
    switch (expected.buttons) {
      case Buttons::Ok:
        EXPECT_NEAR(ok.left, half - ok.Width() / 2.0, kTolerance) << "OK not centred on the model";
        break;
      case Buttons::Cancel:
        EXPECT_NEAR(cancel.left, half - cancel.Width() / 2.0, kTolerance)
            << "Cancel not centred on the model";
        break;
      case Buttons::OkAndCancel:
        EXPECT_NEAR(ok.left, half + Px(kButtonGapFromCentre), kTolerance)
            << "OK right of the centre line";
        EXPECT_NEAR(cancel.left, half - (cancel.Width() + Px(kButtonGapFromCentre)), kTolerance)
            << "Cancel left of the centre line";
        EXPECT_NEAR(ok.left - cancel.right, Px(2 * kButtonGapFromCentre), kTolerance)
            << "gap between the buttons";
        EXPECT_EQ(ok.top, cancel.top);
        EXPECT_LT(cancel.right, ok.left) << "the buttons overlap";
        break;
    }
  }

  // Centred on the screen (the model and the real window share their centre); while the host
  // is awaited, moved down by the model height.
  {
    SCOPED_TRACE("placement");
    const double screenX = GetSystemMetrics(SM_CXSCREEN) / 2.0,
                 screenY = GetSystemMetrics(SM_CYSCREEN) / 2.0;
    const double centreX = (state.rect.left + state.rect.right) / 2.0;
    const double centreY = (state.rect.top + state.rect.bottom) / 2.0;
    const double down =
        expected.placement == Placement::MovedDown ? client.Height() + Px(kModelFrameHeight) : 0.0;
    EXPECT_NEAR(centreX, screenX, kTolerance);
    EXPECT_NEAR(centreY, screenY + down, kTolerance);
    EXPECT_TRUE(state.rect.Contains(client));
  }

  // The colour as drawn: every non-empty line shows it, no line shows another label colour.
  {
    SCOPED_TRACE("colour");
    const PixelCounts all = WaitForLabelColour(window, expected.colour);
    EXPECT_GE(all.Of(expected.colour), kMinColourPixelsPerLine)
        << "the label is not drawn in 0x" << std::hex << expected.colour;
    const auto lines = SplitLines(state.label.text);
    const int lineHeight = state.label.rect.Height() / static_cast<int>(lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      SCOPED_TRACE("line " + std::to_string(i + 1) + ": " + Narrow(lines[i]));
      const int top = state.label.rect.top + static_cast<int>(i) * lineHeight;
      const PixelCounts row = CountPixels(
          window, {state.label.rect.left, top, state.label.rect.right, top + lineHeight});
      if (lines[i].find_first_not_of(L' ') != std::wstring::npos) {
        EXPECT_GE(row.Of(expected.colour), kMinColourPixelsPerLine)
            << "line not drawn in its colour";
      }
      for (COLORREF other : kLabelColours) {
        if (other != expected.colour) {
          EXPECT_EQ(row.Of(other), 0u) << "pixels in 0x" << std::hex << other;
        }
      }
    }
  }
}

// Ends a program whose window is in a one-button state and checks how it ended.
void PressOkAndExpectExit(Program& program, HWND window, DWORD code) {
  ASSERT_TRUE(Click(window, kOkId));
  EXPECT_EQ(program.WaitForExit(), code);
}

// ---- the start-up outcomes ----

// Starts the program in `s` as set up, checks the layout of the one-button outcome it shows
// and its text, then presses OK and checks the exit code.
void ExpectOutcomeLayout(Scenario& s, COLORREF colour, const std::wstring& text, DWORD exitCode) {
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  // Work without a question shows itself first; the outcome's layout is the one checked.
  ASSERT_TRUE(WaitForText(window, text));
  ExpectLayout(window, s.ProgramPath(), {colour, Buttons::Ok});
  EXPECT_EQ(ReadWindow(window).label.text, text);
  PressOkAndExpectExit(program, window, exitCode);
}

TEST(WindowLayout, UpToDate) {
  Scenario s;
  s.Install(L"1.2.3.4");
  s.Ship(L"1.2.3.4");
  ExpectOutcomeLayout(s, kRed, UpToDate(L"1.2.3.4", s.ShippedPath(), L"1.2.3.4", true), kCurrent);
}

TEST(WindowLayout, FreshInstallRegistered) {
  Scenario s;
  s.Ship(L"1.2.3.4");
  ExpectOutcomeLayout(s, kGreen, Installed(L"1.2.3.4"), kCurrent);
}

TEST(WindowLayout, FreshInstallNotRegistered) {
  Scenario s;
  s.Ship(L"1.2.3.5-register-fails");
  ExpectOutcomeLayout(s, kRed, InstalledNotRegistered(L"1.2.3.5", 5), kFailed);
}

TEST(WindowLayout, ReplacementMissing) {
  Scenario s;
  // The shortest text the program shows; it is still wider than the buttons.
  ExpectOutcomeLayout(s, kRed, Missing(s.ShippedPath()), kNoReplacement);
}

TEST(WindowLayout, ConfirmUpdateWhileTheHostRuns) {
  Scenario s;
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5"), nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ExpectLayout(window, s.ProgramPath(), {kDarkBlue, Buttons::OkAndCancel});
  ExpectTitleFits(window);
  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
}

// ---- the states of an update the user confirmed ----

// The host refuses to close: the window waits in orange with Cancel alone, moved down.
TEST(WindowLayout, WaitingForTheHost) {
  Scenario s;
  HostSettings host;
  host.mode = L"refuse";
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", host), nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Waiting(), kSettleTimeoutMs));
  ExpectLayout(window, s.ProgramPath(), {kOrange, Buttons::Cancel, Placement::MovedDown});
  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
}

TEST(WindowLayout, UpdatedAfterTheHostClosed) {
  Scenario s;
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5"), nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Updated(L"1.2.3.4", L"1.2.3.5")));
  ExpectLayout(window, s.ProgramPath(), {kGreen, Buttons::Ok});
  PressOkAndExpectExit(program, window, kCurrent);
}

// Another process holds the installed copy without delete sharing: it cannot be removed.
TEST(WindowLayout, UpdateFailedWhileTheInstalledCopyIsHeld) {
  Scenario s;
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5"), nullptr);
  HeldOpen held(s.InstalledPath());
  ASSERT_TRUE(held.Active()) << "cannot hold " << Narrow(s.InstalledPath());
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, InUse(), kSettleTimeoutMs));
  ExpectLayout(window, s.ProgramPath(), {kRed, Buttons::Ok});
  PressOkAndExpectExit(program, window, kFailed);
}

// ---- the title ----

// The window is as wide as its text; the shortest text must still leave room for the title.
TEST(WindowTitle, FitsTheTitleBarOfTheNarrowestWindow) {
  Scenario s;
  s.Ship(L"1.2.3.4");
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ExpectTitleFits(window);
  PressOkAndExpectExit(program, window, kCurrent);
}

// ---- access keys ----

// Real key presses reach only the foreground window. Wine lets a process hand the foreground
// to another's window; should it refuse, there is no honest way to press keys, and the test
// says so instead of passing.
bool BringToForeground(HWND window) {
  const ULONGLONG deadline = GetTickCount64() + kSettleTimeoutMs;
  while (GetForegroundWindow() != window) {
    SetForegroundWindow(window);
    if (!IsWindow(window) || GetTickCount64() >= deadline) return false;
    Sleep(20);
  }
  return true;
}

bool PressAlt(WORD letter) {
  INPUT keys[4] = {};
  const WORD codes[4] = {VK_MENU, letter, letter, VK_MENU};
  for (int i = 0; i < 4; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = codes[i];
    keys[i].ki.wScan = static_cast<WORD>(MapVirtualKeyW(codes[i], MAPVK_VK_TO_VSC));
    if (i >= 2) keys[i].ki.dwFlags = KEYEVENTF_KEYUP;
  }
  return SendInput(4, keys, sizeof(INPUT)) == 4;
}

// Alt+O on the question starts the update, which no way of closing the window could do.
TEST(WindowKeyboard, AltOPressesOk) {
  Scenario s;
  HostSettings host;
  host.mode = L"refuse";
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", host), nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  WaitForLabelColour(window, kDarkBlue);
  if (!BringToForeground(window)) GTEST_SKIP() << "the window cannot be brought to the foreground";
  ASSERT_TRUE(PressAlt('O'));
  EXPECT_TRUE(WaitForText(window, Waiting(), kSettleTimeoutMs)) << "Alt+O did not press OK";
  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
}

TEST(WindowKeyboard, AltCPressesCancelWhenAskedToConfirm) {
  Scenario s;
  HWND host = StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5");
  ASSERT_NE(host, nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  WaitForLabelColour(window, kDarkBlue);
  if (!BringToForeground(window)) GTEST_SKIP() << "the window cannot be brought to the foreground";
  ASSERT_TRUE(PressAlt('C'));
  EXPECT_EQ(program.WaitForExit(), kCancelled) << "Alt+C did not press Cancel";
  EXPECT_TRUE(IsWindow(host)) << "the host was asked to close";
  EXPECT_EQ(ReadBytes(s.InstalledPath()), Scenario::FixtureBytes(L"1.2.3.4"));
}

// ---- screen readers ----

// Read from this process, as a screen reader reads the program: the label by its whole text on
// one line, following the text as it changes; the buttons by their captions without "&".
TEST(WindowScreenReader, TheLabelIsReadOnOneLineAndTheButtonsByTheirCaptions) {
  using tarnwell::testing::ReadAccessible;
  Scenario s;
  HostSettings host;
  host.mode = L"refuse";
  ASSERT_NE(StageUpdateWithHostRunning(s, L"1.2.3.4", L"1.2.3.5", host), nullptr);
  Program program = s.Start();
  HWND window = program.WaitForWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitForText(window, Offer(L"1.2.3.4", L"1.2.3.5")));
  const HWND label = GetDlgItem(window, kLabelId);

  const auto offer = ReadAccessible(label);
  ASSERT_TRUE(offer.found);
  // The lines after one another, the first line's trailing blank gone.
  const std::wstring offered = Offer(L"1.2.3.4", L"1.2.3.5");
  std::wstring spoken;
  for (auto line : SplitLines(offered)) {
    while (line.ends_with(L' ')) line.remove_suffix(1);
    spoken += (spoken.empty() ? L"" : L" ") + std::wstring(line);
  }
  EXPECT_EQ(offer.name, spoken);
  EXPECT_EQ(offer.role, ROLE_SYSTEM_STATICTEXT);
  EXPECT_EQ(offer.window, label);
  EXPECT_EQ(ReadAccessible(GetDlgItem(window, kOkId)).name, L"OK");
  EXPECT_EQ(ReadAccessible(GetDlgItem(window, kCancelId)).name, L"Cancel");

  ASSERT_TRUE(Click(window, kOkId));
  ASSERT_TRUE(WaitForText(window, Waiting(), kSettleTimeoutMs));
  const std::wstring waitingText = Waiting();
  const auto waiting = SplitLines(waitingText);
  ASSERT_EQ(waiting.size(), 2u);
  EXPECT_EQ(ReadAccessible(label).name, std::wstring(waiting[0]) + L" " + std::wstring(waiting[1]));
  EXPECT_EQ(ReadAccessible(GetDlgItem(window, kCancelId)).name, L"Cancel");

  ASSERT_TRUE(Click(window, kCancelId));
  EXPECT_EQ(program.WaitForExit(), kCancelled);
}

}  // namespace
}  // namespace tarnwell::e2e
