#pragma once
// One move-only owner for every kind of handle the program obtains. The traits say what
// "no handle" is and how to give one back.

#include <windows.h>
#include <shlobj.h>
#include <winsafer.h>

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

// Traits for a handle kind: the value type, the function that gives one back, and whether
// "no handle" is INVALID_HANDLE_VALUE (what file and search functions answer) or null.
template <typename V, auto Close, bool InvalidIsMinusOne = false>
struct HandleTraits {
  using Value = V;
  static Value invalid() {
    if constexpr (InvalidIsMinusOne) {
      return INVALID_HANDLE_VALUE;
    } else {
      return nullptr;
    }
  }
  static void close(Value value) { Close(value); }
};

using KernelHandle = UniqueHandle<HandleTraits<HANDLE, &::CloseHandle>>;  // processes, events, ...
using FileHandle =
    UniqueHandle<HandleTraits<HANDLE, &::CloseHandle, true>>;  // CreateFileW, snapshots
using FindHandle = UniqueHandle<HandleTraits<HANDLE, &::FindClose, true>>;
// ILFree rather than CoTaskMemFree: the same memory, and the program need not load COM for it.
using Pidl = UniqueHandle<HandleTraits<LPITEMIDLIST, &::ILFree>>;
using FontHandle = UniqueHandle<HandleTraits<HFONT, &::DeleteObject>>;
using BrushHandle = UniqueHandle<HandleTraits<HBRUSH, &::DeleteObject>>;
using BitmapHandle = UniqueHandle<HandleTraits<HBITMAP, &::DeleteObject>>;
using MemoryDc = UniqueHandle<HandleTraits<HDC, &::DeleteDC>>;             // CreateCompatibleDC
using IconHandle = UniqueHandle<HandleTraits<HICON, &::DestroyIcon>>;      // not shared icons
using WindowHandle = UniqueHandle<HandleTraits<HWND, &::DestroyWindow>>;   // windows we create
using ModuleHandle = UniqueHandle<HandleTraits<HMODULE, &::FreeLibrary>>;  // loaded at run time
using SaferLevel = UniqueHandle<HandleTraits<SAFER_LEVEL_HANDLE, &::SaferCloseLevel>>;

inline void FreeLocal(void* memory) { ::LocalFree(memory); }
// Memory the system allocated with LocalAlloc and handed over, such as CommandLineToArgvW's.
template <typename Pointer>
using LocalMemory = UniqueHandle<HandleTraits<Pointer, &FreeLocal>>;

}  // namespace tarnwell::platform
