#pragma once
// How long the driver waits, and how it polls. Every wait is bounded; the bounds are generous
// because a cold wine server, or a 32-bit process under the emulator, can be slow.

#include <windows.h>

namespace tarnwell::e2e {

inline constexpr DWORD kWindowTimeoutMs = 20000;
inline constexpr DWORD kExitTimeoutMs = 20000;
inline constexpr DWORD kSettleTimeoutMs = 10000;
inline constexpr DWORD kPollMs = 20;

// Sleeps one poll interval, or waits that long for `process` to end; true once `deadline` (a
// GetTickCount64 value) has passed.
inline bool PollExpired(ULONGLONG deadline, HANDLE process = nullptr) {
  if (process)
    ::WaitForSingleObject(process, kPollMs);
  else
    ::Sleep(kPollMs);
  return ::GetTickCount64() >= deadline;
}

}  // namespace tarnwell::e2e
