#include "platform/Trace.h"

#include <string>

namespace tarnwell::platform {
namespace {

// By hand: std::to_wstring would bring in the C runtime's whole wide printf (some 30 KB).
std::wstring Digits(unsigned long value, unsigned base, int minimum) {
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  std::wstring digits;
  do {
    digits.insert(digits.begin(), kDigits[value % base]);
    value /= base;
  } while (value != 0 || static_cast<int>(digits.size()) < minimum);
  return digits;
}

void Write(const wchar_t* call, const std::wstring& what) {
  const std::wstring line = L"TarnwellUpdate: " + std::wstring(call) + L" failed, " + what + L"\n";
  ::OutputDebugStringW(line.c_str());
}

}  // namespace

void TraceFailure(const wchar_t* call, DWORD error) {
  Write(call, L"error " + Digits(error, 10, 1));
}

void TraceHresult(const wchar_t* call, HRESULT result) {
  Write(call, L"0x" + Digits(static_cast<unsigned long>(result), 16, 8));
}

}  // namespace tarnwell::platform
