#include "tests/e2e/driver/WindowReader.h"

#include <algorithm>

#include "tests/support/Capture.h"
#include "tests/support/WindowText.h"

namespace tarnwell::e2e {
namespace {

using tarnwell::testing::ClassOf;
using tarnwell::testing::TextOf;

// A label drawn in a colour shows far more of it than this; anti-aliasing never makes one exactly.
constexpr std::size_t kColourDrawnPixels = 30;

Rect RectOf(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return {r.left, r.top, r.right, r.bottom};
}

ControlState ReadControl(HWND parent, int id) {
  ControlState state;
  HWND control = GetDlgItem(parent, id);
  if (!control) return state;
  state.exists = true;
  state.visible = IsWindowVisible(control) != FALSE;
  state.className = ClassOf(control);
  state.text = TextOf(control);
  state.rect = RectOf(control);
  return state;
}

DWORD ProcessOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return id;
}

struct Collected {
  const TopLevelQuery* query;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto& collected = *reinterpret_cast<Collected*>(param);
  const TopLevelQuery& query = *collected.query;
  if (query.processId && ProcessOf(window) != query.processId) return TRUE;
  if (query.visibleOnly && !IsWindowVisible(window)) return TRUE;
  if (query.className && ClassOf(window) != query.className) return TRUE;
  if (query.title || query.notTitle) {
    wchar_t title[512] = {};
    GetWindowTextW(window, title, ARRAYSIZE(title));
    if (query.title && std::wstring_view(title) != query.title) return TRUE;
    if (query.notTitle && std::wstring_view(title) == query.notTitle) return TRUE;
  }
  collected.found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows(const TopLevelQuery& query) {
  Collected collected{&query, {}};
  EnumWindows(CollectTopLevel, reinterpret_cast<LPARAM>(&collected));
  return collected.found;
}

WindowState ReadWindow(HWND window) {
  WindowState state;
  state.window = window;
  if (!IsWindow(window)) return state;
  state.title = TextOf(window);
  state.visible = IsWindowVisible(window) != FALSE;
  state.topmost = (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  state.rect = RectOf(window);
  state.label = ReadControl(window, kLabelId);
  state.ok = ReadControl(window, kOkId);
  state.cancel = ReadControl(window, kCancelId);
  return state;
}

std::size_t PixelCounts::Of(COLORREF colour) const {
  const auto found = byColour.find(colour);
  return found == byColour.end() ? 0 : found->second;
}

PixelCounts CountPixels(HWND window, const Rect& area) {
  PixelCounts counts;
  const Rect outer = RectOf(window);
  const tarnwell::testing::Pixels picture = tarnwell::testing::Capture(window);
  if (picture.Empty()) return counts;
  const int x0 = std::max(area.left - outer.left, 0),
            x1 = std::min(area.right - outer.left, picture.width);
  const int y0 = std::max(area.top - outer.top, 0),
            y1 = std::min(area.bottom - outer.top, picture.height);
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const std::uint32_t pixel = picture.At(x, y);
      ++counts.total;
      // Pictures hold 0xRRGGBB, the counts 0xBBGGRR: swapping red and blue converts either way.
      ++counts.byColour[tarnwell::testing::PixelOf(pixel)];
    }
  }
  return counts;
}

PixelCounts WaitForLabelColour(HWND window, COLORREF colour, DWORD timeoutMs) {
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  for (;;) {
    const PixelCounts counts = CountPixels(window, ReadWindow(window).label.rect);
    if (counts.Of(colour) >= kColourDrawnPixels || PollExpired(deadline)) return counts;
  }
}

bool Click(HWND window, int controlId) {
  HWND button = GetDlgItem(window, controlId);
  return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool CloseWindow(HWND window) { return PostMessageW(window, WM_CLOSE, 0, 0) != FALSE; }

std::vector<MessageBoxState> OpenMessageBoxes(DWORD processId) {
  TopLevelQuery query;
  query.processId = processId;
  query.className = L"#32770";
  query.notTitle = kMainWindowTitle;  // should the main window ever be a dialog
  std::vector<MessageBoxState> boxes;
  for (HWND window : TopLevelWindows(query)) {
    MessageBoxState& box = boxes.emplace_back();
    box.box = window;
    box.title = TextOf(window);
    // The message text is the static control with id 0xFFFF in every message box.
    if (HWND text = GetDlgItem(window, 0xFFFF)) box.text = TextOf(text);
  }
  return boxes;
}

bool AnswerMessageBox(const MessageBoxState& box, DWORD timeoutMs) {
  HWND ok = GetDlgItem(box.box, IDOK);
  if (!PostMessageW(box.box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                    reinterpret_cast<LPARAM>(ok)))
    return false;
  const ULONGLONG deadline = GetTickCount64() + timeoutMs;
  while (IsWindow(box.box))
    if (PollExpired(deadline)) return false;
  return true;
}

}  // namespace tarnwell::e2e
