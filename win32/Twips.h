#pragma once
// Twips, the unit the controller lays the window out in: 1440 to the inch, so 15 to a pixel at
// 96 DPI and 10 at 144.

#include <windows.h>

#include <algorithm>
#include <cmath>

namespace tarnwell::win32 {

inline constexpr double kTwipsPerInch = 1440.0;

// Pixels are whole; absurd values stay inside int instead of overflowing.
inline int RoundPixels(double pixels) {
  if (!std::isfinite(pixels)) return 0;
  constexpr double kLimit = 1 << 30;
  return static_cast<int>(std::lround(std::clamp(pixels, -kLimit, kLimit)));
}

class TwipScale {
 public:
  explicit TwipScale(UINT dpi) : dpi_(dpi ? dpi : 96) {}
  UINT Dpi() const { return dpi_; }
  double ToPixels(double twips) const { return twips * dpi_ / kTwipsPerInch; }
  double ToTwips(double pixels) const { return pixels * kTwipsPerInch / dpi_; }
  int Pixels(double twips) const { return RoundPixels(ToPixels(twips)); }
  // A design rectangle in twips as pixels, each edge rounded on its own.
  RECT Pixels(const RECT& twips) const {
    return {Pixels(twips.left), Pixels(twips.top), Pixels(twips.right), Pixels(twips.bottom)};
  }

 private:
  UINT dpi_;
};

}  // namespace tarnwell::win32
