#include "tests/support/Capture.h"

#include "platform/Gdi.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::testing {

Pixels Render(int width, int height, const std::function<bool(HDC)>& draw) {
  Pixels out;
  const platform::WindowDc screen(nullptr);
  if (!screen.get() || width <= 0 || height <= 0) return out;
  const platform::MemoryDc memory(::CreateCompatibleDC(screen.get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const platform::BitmapHandle dib(
      ::CreateDIBSection(memory.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !dib || !bits) return out;
  bool drawn = false;
  {
    const platform::Selection selected(memory.get(), dib.get());
    drawn = draw(memory.get());
    ::GdiFlush();
  }
  if (!drawn) return out;
  const auto* p = static_cast<const std::uint32_t*>(bits);
  out.width = width;
  out.height = height;
  out.data.assign(p, p + static_cast<std::size_t>(width) * height);
  return out;
}

Pixels Capture(HWND window) {
  RECT r{};
  if (!::GetWindowRect(window, &r)) return {};
  const int width = r.right - r.left, height = r.bottom - r.top;
  return Render(width, height, [&](HDC target) {
    const platform::WindowDc source(window, true);
    return source.get() && ::BitBlt(target, 0, 0, width, height, source.get(), 0, 0, SRCCOPY);
  });
}

Pixels CaptureScreen(const RECT& area) {
  const int width = area.right - area.left, height = area.bottom - area.top;
  return Render(width, height, [&](HDC target) {
    const platform::WindowDc screen(nullptr);
    return screen.get() &&
           ::BitBlt(target, 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
  });
}

bool SaveBitmap(const Pixels& picture, const std::wstring& path) {
  if (picture.Empty()) return false;
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = picture.width;
  info.biHeight = -picture.height;
  info.biPlanes = 1;
  info.biBitCount = 32;
  info.biCompression = BI_RGB;
  const DWORD imageSize = static_cast<DWORD>(picture.data.size() * sizeof picture.data[0]);
  BITMAPFILEHEADER header{};
  header.bfType = 0x4D42;  // "BM"
  header.bfOffBits = sizeof header + sizeof info;
  header.bfSize = header.bfOffBits + imageSize;
  const platform::FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD done = 0;
  return file && ::WriteFile(file.get(), &header, sizeof header, &done, nullptr) &&
         ::WriteFile(file.get(), &info, sizeof info, &done, nullptr) &&
         ::WriteFile(file.get(), picture.data.data(), imageSize, &done, nullptr);
}

}  // namespace tarnwell::testing
