#pragma once
// What the program's window shows the outside world: its title and class, and the identifiers
// of its controls. Tools that drive the window from outside (the end-to-end tests, the demo's
// stand-in user, the benchmarks) find it and its controls by these.

namespace tarnwell::platform {

inline constexpr wchar_t kWindowTitle[] = L"Quandrel.dll  Update";
inline constexpr wchar_t kWindowClass[] = L"TarnwellUpdate.frmDllLoadTest";

// Deliberately not IDOK/IDCANCEL: neither button answers Enter or Esc.
inline constexpr int kLabelId = 100;
inline constexpr int kOkId = 101;
inline constexpr int kCancelId = 102;

}  // namespace tarnwell::platform
