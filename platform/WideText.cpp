#include "platform/WideText.h"

#include "app/Wtf8.h"

namespace tarnwell::platform {

std::wstring Widen(std::string_view utf8) { return Utf16<wchar_t>(utf8); }

std::string Narrow(std::wstring_view utf16) { return Wtf8(utf16); }

}  // namespace tarnwell::platform
