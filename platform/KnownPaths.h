#pragma once
// Paths the system knows for this program: its own executable and the system directory.

#include <string>

namespace tarnwell::platform {

// The full path of the running executable; "" when it cannot be had whole.
std::wstring ExecutablePath();
// The system directory, without a trailing "\"; "" when the system does not say.
std::wstring SystemDirectory();

}  // namespace tarnwell::platform
