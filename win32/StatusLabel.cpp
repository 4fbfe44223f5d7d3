#include "win32/StatusLabel.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Lines.h"
#include "platform/Gdi.h"

namespace tarnwell::win32 {
namespace {

std::vector<std::wstring_view> LinesOf(const std::wstring& caption) {
  return SplitLines(std::wstring_view(caption));
}

}  // namespace

void StatusLabel::SetFont(HFONT font) {
  font_ = font;
  if (!window_) return;
  ::SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

void StatusLabel::SetCaption(std::wstring caption) {
  if (!window_) return;
  caption_ = std::move(caption);
  ::SetWindowTextW(window_, caption_.c_str());
  // Screen readers that follow the label hear the new text.
  ::NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window_, OBJID_CLIENT, CHILDID_SELF);
  Fit();
  ::InvalidateRect(window_, nullptr, TRUE);
}

void StatusLabel::SetColour(COLORREF colour) {
  if (!window_) return;
  colour_ = colour;
  ::InvalidateRect(window_, nullptr, TRUE);
}

void StatusLabel::Fit() {
  const platform::WindowDc dc(window_);
  if (!dc.get()) return;
  const platform::Selection font(dc.get(), font_);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc.get(), &metrics);
  const auto lines = LinesOf(caption_);
  int widest = 0;
  for (const auto line : lines) {
    SIZE extent{};
    // Trailing blanks count: the text extent includes them, as the status texts rely on.
    if (!line.empty() &&
        ::GetTextExtentPoint32W(dc.get(), line.data(), static_cast<int>(line.size()), &extent)) {
      widest = std::max(widest, static_cast<int>(extent.cx));
    }
  }
  const int height = static_cast<int>(lines.size()) * metrics.tmHeight;
  ::SetWindowPos(window_, nullptr, 0, 0, widest, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void StatusLabel::Draw(const DRAWITEMSTRUCT& item) const {
  const HDC dc = item.hDC;
  const RECT area = item.rcItem;
  ::FillRect(dc, &area, ::GetSysColorBrush(COLOR_BTNFACE));
  const platform::Selection font(dc, font_);
  ::SetTextColor(dc, colour_);
  ::SetBkMode(dc, TRANSPARENT);
  TEXTMETRICW metrics{};
  ::GetTextMetricsW(dc, &metrics);
  int top = area.top;
  for (const auto line : LinesOf(caption_)) {
    RECT row{area.left, top, area.right, top + metrics.tmHeight};
    if (!line.empty()) {
      ::DrawTextW(dc, line.data(), static_cast<int>(line.size()), &row,
                  DT_CENTER | DT_SINGLELINE | DT_NOPREFIX | DT_TOP);
    }
    top += metrics.tmHeight;
  }
}

}  // namespace tarnwell::win32
