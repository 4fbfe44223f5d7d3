#pragma once
// Native handles as the portable code holds them: opaque numbers it passes back to the
// platform, never looks into.

#include <cstdint>

namespace tarnwell {

// A native window handle; 0 means none.
using NativeWindow = std::uintptr_t;
// A native object a yield can wake on, such as a process; 0 means none.
using NativeWaitable = std::uintptr_t;
// A native open file; 0 means none.
using NativeFile = std::uintptr_t;

}  // namespace tarnwell
