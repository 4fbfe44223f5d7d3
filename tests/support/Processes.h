#pragma once
// Starting a program from a test or a tool: by its full path, never searched for.

#include <windows.h>

#include <optional>
#include <string>

#include "platform/UniqueHandle.h"

namespace tarnwell::testing {

struct StartedProcess {
  platform::KernelHandle process;
  platform::KernelHandle thread;
  DWORD id = 0;
};

// Starts `path` with the command line "path" + " " + arguments, in `folder` (the caller's own
// when empty), with CreateProcessW's `flags` (CREATE_SUSPENDED, say). Nothing when it cannot
// start; GetLastError() then tells why.
std::optional<StartedProcess> StartProcess(const std::wstring& path,
                                           const std::wstring& arguments = {},
                                           const std::wstring& folder = {}, DWORD flags = 0);

}  // namespace tarnwell::testing
