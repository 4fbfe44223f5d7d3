#pragma once
// The window as it is designed: where its controls stand, in twips, and the fonts they take.

#include <windows.h>

#include <initializer_list>

namespace tarnwell::win32::design {

// Design values, twips.
inline constexpr RECT kLabelDesign{2055, 120, 2055 + 105, 120 + 195};
inline constexpr RECT kOkDesign{1080, 1680, 1080 + 855, 1680 + 375};
inline constexpr RECT kCancelDesign{240, 1680, 240 + 855, 1680 + 375};
inline constexpr double kDesignClientWidth = 3105;
inline constexpr double kDesignClientHeight = 2295;
// Room between the title and the title bar's icon and close box.
inline constexpr double kTitleAirTwips = 240;

inline constexpr wchar_t kLabelFace[] = L"MS Sans Serif";
inline constexpr double kLabelPoints = 8.25;
inline constexpr wchar_t kButtonFace[] = L"Tahoma";
inline constexpr double kButtonPoints = 9.75;

// The first of `candidates` that shows.
inline HWND FirstVisible(std::initializer_list<HWND> candidates) {
  for (HWND c : candidates) {
    if (c && ::IsWindowVisible(c)) return c;
  }
  return nullptr;
}

}  // namespace tarnwell::win32::design
