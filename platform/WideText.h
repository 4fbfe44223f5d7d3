#pragma once
// UTF-8 in the portable code, UTF-16 at the platform's W entry points: converted here only, and
// without loss (app/Wtf8.h): a name holding a surrogate unit without its other half comes back
// as it was, never as another name.

#include <string>
#include <string_view>

namespace tarnwell::platform {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace tarnwell::platform
