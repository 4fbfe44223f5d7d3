#include "win32/Controls.h"

#include <commctrl.h>

#include <cwchar>

#include "platform/Trace.h"
#include "platform/WindowContract.h"
#include "win32/Twips.h"

namespace tarnwell::win32 {
namespace {

constexpr int kIconId = 1;

LRESULT CALLBACK NeverDefaultButton(HWND button, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR id, DWORD_PTR) {
  switch (message) {
    case BM_SETSTYLE:
      if ((wParam & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        wParam = (wParam & ~static_cast<WPARAM>(BS_TYPEMASK)) | BS_PUSHBUTTON;
      }
      break;
    case WM_GETDLGCODE: {
      LRESULT code = ::DefSubclassProc(button, message, wParam, lParam);
      if (code & DLGC_DEFPUSHBUTTON) code = (code & ~DLGC_DEFPUSHBUTTON) | DLGC_UNDEFPUSHBUTTON;
      return code;
    }
    case WM_NCDESTROY:
      ::RemoveWindowSubclass(button, &NeverDefaultButton, id);
      break;
    default:
      break;
  }
  return ::DefSubclassProc(button, message, wParam, lParam);
}

}  // namespace

void RegisterFormClass(HINSTANCE instance, WNDPROC procedure) {
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = procedure;
  wc.hInstance = instance;
  wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  wc.lpszClassName = platform::kWindowClass;
  // Shared icons belong to the module; nobody destroys them.
  wc.hIcon = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON, 0, 0,
                                             LR_DEFAULTSIZE | LR_SHARED));
  wc.hIconSm = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(kIconId), IMAGE_ICON,
                                               ::GetSystemMetrics(SM_CXSMICON),
                                               ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  // A second window in the same process finds the class already there.
  if (!::RegisterClassExW(&wc)) {
    const DWORD error = ::GetLastError();
    if (error != ERROR_CLASS_ALREADY_EXISTS) platform::TraceFailure(L"RegisterClassExW", error);
  }
}

HWND CreateControl(HWND parent, const wchar_t* kind, const wchar_t* text, DWORD style,
                   const RECT& pixels, int id) {
  const auto instance = reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE));
  const HWND control =
      ::CreateWindowExW(0, kind, text, WS_CHILD | style, pixels.left, pixels.top,
                        pixels.right - pixels.left, pixels.bottom - pixels.top, parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
  if (!control) platform::TraceFailure(L"CreateWindowExW (control)", ::GetLastError());
  return control;
}

void MakeNeverDefault(HWND button) {
  if (button && !::SetWindowSubclass(button, &NeverDefaultButton, 1, 0)) {
    platform::TraceFailure(L"SetWindowSubclass", ::GetLastError());
  }
}

platform::FontHandle MakeBoldFont(const wchar_t* face, double points, UINT dpi) {
  LOGFONTW font{};
  font.lfHeight = -RoundPixels(points * dpi / 72.0);
  font.lfWeight = FW_BOLD;
  font.lfCharSet = ANSI_CHARSET;
  font.lfOutPrecision = OUT_DEFAULT_PRECIS;
  font.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  font.lfQuality = DEFAULT_QUALITY;
  font.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  std::wcsncpy(font.lfFaceName, face, LF_FACESIZE - 1);
  platform::FontHandle handle(::CreateFontIndirectW(&font));
  if (!handle) platform::TraceFailure(L"CreateFontIndirectW", ::GetLastError());
  return handle;
}

}  // namespace tarnwell::win32
