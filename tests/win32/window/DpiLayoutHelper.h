#pragma once
// Started as `window_tests --dpi-layout <file>`, the program shows the window with an update
// offered, writes its layout in twips into <file> and ends: the window started at another
// scale, for the DPI layout test.

namespace tarnwell::win32 {

inline constexpr wchar_t kDpiLayoutSwitch[] = L"--dpi-layout";
int RunDpiLayoutHelper(const wchar_t* reportPath);

}  // namespace tarnwell::win32
