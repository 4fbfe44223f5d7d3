// The real window and the real controller at 150 %: a window that moves there from 100 %
// (WM_DPICHANGED with the rectangle the system suggests) is laid out as a window started at
// 150 %, and both keep the layout in twips a start at 100 % gives. In a prefix that runs at
// 150 % the move goes the other way.
//
// Wine takes the system DPI from the user's LogPixels (before the machine's) as each process
// starts, has one DPI for all monitors and never sends WM_DPICHANGED itself: the window started
// at 150 % runs in a second process started while the user's LogPixels says 144, and the move
// is the message sent in this process.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>

#include "app/frmDllLoadTest.h"
#include "platform/Dpi.h"
#include "platform/UniqueHandle.h"
#include "platform/WindowContract.h"
#include "tests/support/Processes.h"
#include "tests/win32/window/DpiLayoutHelper.h"
#include "tests/win32/window/DpiMove.h"
#include "win32/RunReport.h"
#include "win32/Win32Form.h"
#include "win32/Win32Services.h"

namespace tarnwell::win32 {
namespace {

constexpr UINT kScaledDpi = 144;
constexpr UINT kPlainDpi = 96;
constexpr DWORD kHelperTimeoutMs = 60'000;
// A status text narrower than the title, so that the title sets the window's width.
constexpr char kShortText[] = "Please wait";

struct Box {
  double left = 0, top = 0, right = 0, bottom = 0;
};

// The window as laid out, in twips of `dpi`: controls relative to the client area.
struct Layout {
  unsigned dpi = 0;
  double clientWidth = 0, clientHeight = 0;
  Box label, ok, cancel;
  // The outer rectangle's centre and the work area's, in screen twips.
  double centreX = 0, centreY = 0, workCentreX = 0, workCentreY = 0;
};

Box InClient(HWND window, HWND control, double twipsPerPixel) {
  RECT r{};
  ::GetWindowRect(control, &r);
  ::MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
  return {r.left * twipsPerPixel, r.top * twipsPerPixel, r.right * twipsPerPixel,
          r.bottom * twipsPerPixel};
}

Layout Read(HWND window, UINT dpi) {
  const double t = 1440.0 / dpi;
  Layout l;
  l.dpi = dpi;
  RECT client{};
  RECT outer{};
  ::GetClientRect(window, &client);
  ::GetWindowRect(window, &outer);
  l.clientWidth = client.right * t;
  l.clientHeight = client.bottom * t;
  l.label = InClient(window, ::GetDlgItem(window, platform::kLabelId), t);
  l.ok = InClient(window, ::GetDlgItem(window, platform::kOkId), t);
  l.cancel = InClient(window, ::GetDlgItem(window, platform::kCancelId), t);
  l.centreX = (outer.left + outer.right) / 2.0 * t;
  l.centreY = (outer.top + outer.bottom) / 2.0 * t;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ::GetMonitorInfoW(::MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor);
  l.workCentreX = (monitor.rcWork.left + monitor.rcWork.right) / 2.0 * t;
  l.workCentreY = (monitor.rcWork.top + monitor.rcWork.bottom) / 2.0 * t;
  return l;
}

// The program's window and controller with an update offered for a short text: two buttons, a
// window as wide as the title needs. The shipped copy is absent beside the tests, so loading
// changes nothing.
class OfferedWindow {
 public:
  explicit OfferedWindow(const std::wstring& instance) : services_(report_, false, instance) {
    controller_.Form_Load(form_);
    form_.SetLabelCaption(kShortText);
    controller_.UpdateNeeded = true;
    controller_.Resize();
  }
  HWND Window() const { return form_.Window(); }

 private:
  RunReport report_{true};
  Win32Services services_;
  frmDllLoadTest controller_{services_.All()};
  Win32Form form_{controller_, ::GetModuleHandleW(nullptr)};
};

std::string Serialise(const Layout& l) {
  char line[512];
  std::snprintf(line, sizeof line,
                "%u %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f %.3f "
                "%.3f %.3f %.3f",
                l.dpi, l.clientWidth, l.clientHeight, l.label.left, l.label.top, l.label.right,
                l.label.bottom, l.ok.left, l.ok.top, l.ok.right, l.ok.bottom, l.cancel.left,
                l.cancel.top, l.cancel.right, l.cancel.bottom, l.centreX, l.centreY, l.workCentreX,
                l.workCentreY);
  return line;
}

std::optional<Layout> Parse(const std::string& text) {
  Layout l;
  const int read = std::sscanf(
      text.c_str(), "%u %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf %lf",
      &l.dpi, &l.clientWidth, &l.clientHeight, &l.label.left, &l.label.top, &l.label.right,
      &l.label.bottom, &l.ok.left, &l.ok.top, &l.ok.right, &l.ok.bottom, &l.cancel.left,
      &l.cancel.top, &l.cancel.right, &l.cancel.bottom, &l.centreX, &l.centreY, &l.workCentreX,
      &l.workCentreY);
  if (read != 19) return std::nullopt;
  return l;
}

// The user's LogPixels for as long as it lives; the value before (or its absence) comes back.
class UserLogPixels {
 public:
  explicit UserLogPixels(DWORD dpi) {
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_,
                          nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
      return;
    }
    DWORD size = sizeof previous_;
    had_ = ::RegQueryValueExW(key_, kName, nullptr, nullptr, reinterpret_cast<BYTE*>(&previous_),
                              &size) == ERROR_SUCCESS;
    set_ = ::RegSetValueExW(key_, kName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                            sizeof dpi) == ERROR_SUCCESS;
  }
  ~UserLogPixels() {
    if (!key_) return;
    if (had_) {
      ::RegSetValueExW(key_, kName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&previous_),
                       sizeof previous_);
    } else {
      ::RegDeleteValueW(key_, kName);
    }
    ::RegCloseKey(key_);
  }
  UserLogPixels(const UserLogPixels&) = delete;
  UserLogPixels& operator=(const UserLogPixels&) = delete;
  bool Set() const { return set_; }

 private:
  static constexpr wchar_t kName[] = L"LogPixels";
  HKEY key_ = nullptr;
  DWORD previous_ = 0;
  bool had_ = false;
  bool set_ = false;
};

std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  path.resize(::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
  return path;
}

// The layout of a window started in a new process while the user's LogPixels says `dpi`.
std::optional<Layout> LayoutStartedAt(DWORD dpi) {
  wchar_t folder[MAX_PATH];
  ::GetTempPathW(MAX_PATH, folder);
  const std::wstring report =
      std::wstring(folder) + L"dpi-layout-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
  ::DeleteFileW(report.c_str());
  {
    const UserLogPixels scaled(dpi);
    if (!scaled.Set()) return std::nullopt;
    const auto helper =
        testing::StartProcess(OwnPath(), std::wstring(kDpiLayoutSwitch) + L" \"" + report + L"\"");
    if (!helper) return std::nullopt;
    if (::WaitForSingleObject(helper->process.get(), kHelperTimeoutMs) != WAIT_OBJECT_0) {
      ::TerminateProcess(helper->process.get(), 1);
      return std::nullopt;
    }
  }
  std::string text;
  if (FILE* file = _wfopen(report.c_str(), L"rb")) {
    char buffer[512];
    text.assign(buffer, std::fread(buffer, 1, sizeof buffer, file));
    std::fclose(file);
  }
  ::DeleteFileW(report.c_str());
  return Parse(text);
}

void ExpectNear(const Box& a, const Box& b, double tolerance, const char* what) {
  EXPECT_NEAR(a.left, b.left, tolerance) << what;
  EXPECT_NEAR(a.top, b.top, tolerance) << what;
  EXPECT_NEAR(a.right, b.right, tolerance) << what;
  EXPECT_NEAR(a.bottom, b.bottom, tolerance) << what;
}

void ExpectInside(const Box& control, const Layout& l, const char* what) {
  EXPECT_GE(control.left, 0) << what;
  EXPECT_GE(control.top, 0) << what;
  EXPECT_LE(control.right, l.clientWidth) << what;
  EXPECT_LE(control.bottom, l.clientHeight) << what;
}

// From 100 % to 150 %, or back where the prefix itself runs at 150 %.
TEST(DpiLayout, AWindowMovedToAnotherScaleIsLaidOutAsOneStartedThereAndAsOneAtItsOwnScale) {
  const UINT ownDpi = platform::ScreenDpi();
  const UINT newDpi = ownDpi == kScaledDpi ? kPlainDpi : kScaledDpi;
  const std::optional<Layout> started = LayoutStartedAt(newDpi);
  ASSERT_TRUE(started.has_value()) << "the window started at " << newDpi << " DPI reported none";
  ASSERT_EQ(started->dpi, newDpi) << "Wine did not start the second process at that DPI";

  OfferedWindow offered(L"TarnwellUpdate.DpiLayoutTest.Moved");
  ASSERT_TRUE(::IsWindow(offered.Window()));
  const Layout before = Read(offered.Window(), ownDpi);
  MoveToScale(offered.Window(), newDpi, ownDpi);
  const Layout moved = Read(offered.Window(), newDpi);

  // Moved and started there: the same layout, to a pixel of rounding.
  const double pixel = 1440.0 / newDpi;
  EXPECT_NEAR(moved.clientWidth, started->clientWidth, pixel) << "the title's width";
  EXPECT_NEAR(moved.clientHeight, started->clientHeight, pixel);
  ExpectNear(moved.label, started->label, pixel, "label");
  ExpectNear(moved.ok, started->ok, pixel, "OK");
  ExpectNear(moved.cancel, started->cancel, pixel, "Cancel");
  // Each centred on its monitor's work area.
  EXPECT_NEAR(moved.centreX, moved.workCentreX, pixel);
  EXPECT_NEAR(moved.centreY, moved.workCentreY, pixel);
  EXPECT_NEAR(started->centreX, started->workCentreX, pixel);
  EXPECT_NEAR(started->centreY, started->workCentreY, pixel);

  // And the layout at the old scale, in twips: label and buttons where they were, the buttons
  // inside.
  // The title and the text measure a little differently at each scale, so widths may differ
  // by a few per cent, positions below the text not at all.
  const double coarse = 1440.0 / std::min(ownDpi, newDpi);
  EXPECT_NEAR(moved.label.top, before.label.top, coarse);
  EXPECT_NEAR(moved.label.left, 0, pixel);
  EXPECT_NEAR(moved.ok.top, before.ok.top, 2 * coarse);
  EXPECT_NEAR(moved.clientWidth, before.clientWidth, before.clientWidth * 0.05);
  EXPECT_NEAR(moved.ok.bottom - moved.ok.top, 375, pixel);
  EXPECT_NEAR(moved.ok.right - moved.ok.left, 855, pixel);
  for (const Layout* l : {&before, &moved, &*started}) {
    ExpectInside(l->ok, *l, "OK");
    ExpectInside(l->cancel, *l, "Cancel");
    // The buttons straddle the model window's centre line, 20 twips from it.
    const double centre = (l->clientWidth + 90) / 2;
    EXPECT_NEAR(l->ok.left - centre, 20, 1440.0 / l->dpi + 1);
    EXPECT_NEAR(centre - l->cancel.right, 20, 1440.0 / l->dpi + 1);
  }
}

}  // namespace

int RunDpiLayoutHelper(const wchar_t* reportPath) {
  OfferedWindow offered(L"TarnwellUpdate.DpiLayoutTest.Started");
  if (!::IsWindow(offered.Window())) return 1;
  const std::string line = Serialise(Read(offered.Window(), platform::WindowDpi(offered.Window())));
  FILE* file = _wfopen(reportPath, L"wb");
  if (!file) return 2;
  std::fwrite(line.data(), 1, line.size(), file);
  std::fclose(file);
  return 0;
}

}  // namespace tarnwell::win32
