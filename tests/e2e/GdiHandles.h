#pragma once
// Owners for the drawing handles the end-to-end driver and tests take (the program's own kinds
// are in win32/UniqueHandle.h).

#include <windows.h>

#include "win32/UniqueHandle.h"

namespace tarnwell::e2e {

struct ScreenDcTraits {  // GetDC(nullptr)
  using Value = HDC;
  static Value invalid() { return nullptr; }
  static void close(Value dc) { ReleaseDC(nullptr, dc); }
};
struct MemoryDcTraits {  // CreateCompatibleDC
  using Value = HDC;
  static Value invalid() { return nullptr; }
  static void close(Value dc) { DeleteDC(dc); }
};
struct BitmapTraits {
  using Value = HBITMAP;
  static Value invalid() { return nullptr; }
  static void close(Value bitmap) { DeleteObject(bitmap); }
};
struct IconTraits {
  using Value = HICON;
  static Value invalid() { return nullptr; }
  static void close(Value icon) { DestroyIcon(icon); }
};

using ScreenDc = win32::UniqueHandle<ScreenDcTraits>;
using MemoryDc = win32::UniqueHandle<MemoryDcTraits>;
using BitmapHandle = win32::UniqueHandle<BitmapTraits>;
using IconHandle = win32::UniqueHandle<IconTraits>;

}  // namespace tarnwell::e2e
