#pragma once
// Pictures of what windows draw, to check colours and icons as a user sees them. Under Wine,
// PrintWindow draws nothing; copying from the window's DC or the screen works.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnwell::testing {

// A 32-bit top-down picture, 0x00RRGGBB per pixel.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> data;

  bool Empty() const { return data.empty(); }
  std::uint32_t At(int x, int y) const {
    return data[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF;
  }
};

// A colour as the window system writes it (0xBBGGRR) in the pictures' order (0xRRGGBB).
constexpr std::uint32_t PixelOf(COLORREF colour) {
  return ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

// Runs `draw` on a memory DC holding a fresh width x height picture; empty when it fails.
Pixels Render(int width, int height, const std::function<bool(HDC)>& draw);
// The whole window, frame included, as drawn (from its window DC).
Pixels Capture(HWND window);
// What the screen shows inside `area`.
Pixels CaptureScreen(const RECT& area);
// Writes the picture as a BMP file.
bool SaveBitmap(const Pixels& picture, const std::wstring& path);

}  // namespace tarnwell::testing
