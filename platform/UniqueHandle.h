#pragma once
// One move-only owner for every kind of handle the program obtains. The traits say what
// "no handle" is and how to give one back.

#include <windows.h>
#include <shlobj.h>

#include <utility>

namespace tarnwell::platform {

template <typename Traits>
class UniqueHandle {
 public:
  using Value = typename Traits::Value;

  UniqueHandle() = default;
  explicit UniqueHandle(Value value) : value_(value) {}
  UniqueHandle(UniqueHandle&& other) noexcept : value_(other.release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  ~UniqueHandle() { reset(); }

  Value get() const { return value_; }
  explicit operator bool() const { return value_ != Traits::invalid(); }
  Value release() { return std::exchange(value_, Traits::invalid()); }
  void reset(Value value = Traits::invalid()) {
    if (value_ != Traits::invalid()) Traits::close(value_);
    value_ = value;
  }
  // For APIs that hand a new handle out through a pointer.
  Value* put() {
    reset();
    return &value_;
  }

 private:
  Value value_ = Traits::invalid();
};

struct KernelHandleTraits {  // processes, threads, mutexes, events, files
  using Value = HANDLE;
  static Value invalid() { return nullptr; }
  static void close(Value h) { ::CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW answers INVALID_HANDLE_VALUE on failure
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Value h) { ::CloseHandle(h); }
};
struct FindHandleTraits {
  using Value = HANDLE;
  static Value invalid() { return INVALID_HANDLE_VALUE; }
  static void close(Value h) { ::FindClose(h); }
};
struct PidlTraits {
  using Value = LPITEMIDLIST;
  static Value invalid() { return nullptr; }
  static void close(Value p) { ::CoTaskMemFree(p); }
};
struct FontTraits {
  using Value = HFONT;
  static Value invalid() { return nullptr; }
  static void close(Value f) { ::DeleteObject(f); }
};
struct BrushTraits {
  using Value = HBRUSH;
  static Value invalid() { return nullptr; }
  static void close(Value b) { ::DeleteObject(b); }
};
struct WindowTraits {  // only for windows this program creates
  using Value = HWND;
  static Value invalid() { return nullptr; }
  static void close(Value w) { ::DestroyWindow(w); }
};
struct ModuleTraits {  // libraries loaded at run time
  using Value = HMODULE;
  static Value invalid() { return nullptr; }
  static void close(Value m) { ::FreeLibrary(m); }
};
struct MemoryDcTraits {  // CreateCompatibleDC
  using Value = HDC;
  static Value invalid() { return nullptr; }
  static void close(Value dc) { ::DeleteDC(dc); }
};
struct BitmapTraits {
  using Value = HBITMAP;
  static Value invalid() { return nullptr; }
  static void close(Value bitmap) { ::DeleteObject(bitmap); }
};
struct IconTraits {  // icons the caller owns, not shared ones
  using Value = HICON;
  static Value invalid() { return nullptr; }
  static void close(Value icon) { ::DestroyIcon(icon); }
};

using KernelHandle = UniqueHandle<KernelHandleTraits>;
using FileHandle = UniqueHandle<FileHandleTraits>;
using FindHandle = UniqueHandle<FindHandleTraits>;
using Pidl = UniqueHandle<PidlTraits>;
using FontHandle = UniqueHandle<FontTraits>;
using BrushHandle = UniqueHandle<BrushTraits>;
using WindowHandle = UniqueHandle<WindowTraits>;
using ModuleHandle = UniqueHandle<ModuleTraits>;
using MemoryDc = UniqueHandle<MemoryDcTraits>;
using BitmapHandle = UniqueHandle<BitmapTraits>;
using IconHandle = UniqueHandle<IconTraits>;

}  // namespace tarnwell::platform
