#pragma once
// A library's version as the system reads it: an independent check on what the program read.

#include <optional>
#include <string>

namespace tarnwell::testing {

// "a.b.c.d" from the file's fixed version record; nothing when it has none or it cannot be read.
std::optional<std::wstring> FileVersionOf(const std::wstring& path);

}  // namespace tarnwell::testing
