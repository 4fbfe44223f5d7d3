#pragma once
// Reading the program's window from outside, as a user sees it: texts, buttons, geometry in
// pixels, the label's colours as drawn; and the few things a user does to it.

#include <windows.h>

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowContract.h"
#include "tests/e2e/driver/Waits.h"

namespace tarnwell::e2e {

inline constexpr const wchar_t* kMainWindowTitle = platform::kWindowTitle;
inline constexpr wchar_t kMessageBoxTitle[] = L"TarnwellUpdate";
inline constexpr wchar_t kHostWindowTitle[] = L"Corvex IDE";
using platform::kCancelId;
using platform::kLabelId;
using platform::kOkId;

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool Contains(const Rect& inner) const {
    return inner.left >= left && inner.top >= top && inner.right <= right && inner.bottom <= bottom;
  }
};

struct ControlState {
  bool exists = false;
  bool visible = false;
  std::wstring className;
  std::wstring text;
  Rect rect;  // screen pixels
};

struct WindowState {
  HWND window = nullptr;
  std::wstring title;
  bool visible = false;
  bool topmost = false;
  Rect rect;  // outer rectangle, screen pixels
  ControlState label;
  ControlState ok;
  ControlState cancel;
};

WindowState ReadWindow(HWND window);

// Pixels of the window as drawn, inside `area` (screen pixels), by colour.
struct PixelCounts {
  std::size_t total = 0;
  std::map<COLORREF, std::size_t> byColour;  // 0xBBGGRR
  std::size_t Of(COLORREF colour) const;
};
PixelCounts CountPixels(HWND window, const Rect& area);

struct MessageBoxState {
  HWND box = nullptr;
  std::wstring title;
  std::wstring text;
};

// Top-level windows: of one process (0: any), of one class and title (null: any).
struct TopLevelQuery {
  DWORD processId = 0;
  const wchar_t* className = nullptr;
  const wchar_t* title = nullptr;
  const wchar_t* notTitle = nullptr;  // null: none excluded
  bool visibleOnly = true;
};
std::vector<HWND> TopLevelWindows(const TopLevelQuery& query);

// The message boxes `processId` has open, each with its title and text.
std::vector<MessageBoxState> OpenMessageBoxes(DWORD processId);

// Presses OK on a message box and waits until it has gone.
bool AnswerMessageBox(const MessageBoxState& box, DWORD timeoutMs = kWindowTimeoutMs);
// BM_CLICK, posted: the program may be busy and a sent message would block the test.
bool Click(HWND window, int controlId);
bool CloseWindow(HWND window);
// Waits until the label has been drawn in `colour` (a few pixels suffice), then counts.
PixelCounts WaitForLabelColour(HWND window, COLORREF colour, DWORD timeoutMs = kSettleTimeoutMs);

}  // namespace tarnwell::e2e
