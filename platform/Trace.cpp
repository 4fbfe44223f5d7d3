#include "platform/Trace.h"

#include <string>

namespace tarnwell::platform {

void TraceFailure(const wchar_t* call, DWORD error) {
  const std::wstring line = L"TarnwellUpdate: " + std::wstring(call) + L" failed, error " +
                            std::to_wstring(error) + L"\n";
  ::OutputDebugStringW(line.c_str());
}

void TraceHresult(const wchar_t* call, HRESULT result) {
  constexpr wchar_t kDigits[] = L"0123456789ABCDEF";
  const auto value = static_cast<unsigned long>(result);
  std::wstring line = L"TarnwellUpdate: " + std::wstring(call) + L" failed, 0x";
  for (int shift = 28; shift >= 0; shift -= 4) line += kDigits[(value >> shift) & 0xF];
  line += L"\n";
  ::OutputDebugStringW(line.c_str());
}

}  // namespace tarnwell::platform
