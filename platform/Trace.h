#pragma once
// Failures the program survives without telling the user (a fallback takes over, or the caller
// judges the outcome later) leave a trace for the developer: one line per failed call through
// OutputDebugStringW, which a debugger shows, and Wine 8 with WINEDEBUG=warn+seh.

#include <windows.h>

#include <string_view>

namespace tarnwell::platform {

// "TarnwellUpdate: <call> failed, error <error>". Pass GetLastError() read right after the call.
void TraceFailure(const wchar_t* call, DWORD error);

// For calls that answer an HRESULT rather than setting the last error.
void TraceHresult(const wchar_t* call, HRESULT result);

// The same for a name in ASCII, with an error code or (`hresult`) an HRESULT.
void TraceFailure(std::string_view call, DWORD code, bool hresult);

}  // namespace tarnwell::platform
