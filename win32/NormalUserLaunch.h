#pragma once
// Starting a program without the administrator rights this program may hold: the IDE it
// restarts must not inherit them.

#include <windows.h>

#include <string>

#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

// Starts `program` (a full path; its command line is the quoted path alone) in `workingFolder`
// with a normal-user token derived from our own (the Administrators group kept for deny only,
// the administrator privileges gone) or, failing that, with the unelevated twin of our elevated
// token. The process handle, or an empty one when neither token serves; never an unrestricted
// start instead.
platform::KernelHandle LaunchAsNormalUser(const std::wstring& program,
                                          const std::wstring& workingFolder, int showCommand);

// The start itself with a primary `token` the caller holds, as LaunchAsNormalUser makes it.
platform::KernelHandle LaunchWithToken(HANDLE token, const std::wstring& program,
                                       const std::wstring& workingFolder, int showCommand);

}  // namespace tarnwell::win32
