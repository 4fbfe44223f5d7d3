#include "win32/system/Win32Process.h"

#include "platform/Trace.h"

namespace tarnwell::win32 {
namespace {
constexpr DWORD kTerminateWaitMs = 5000;
}  // namespace

std::optional<std::uint32_t> Win32Process::ExitCode() {
  if (::WaitForSingleObject(process_.get(), 0) != WAIT_OBJECT_0) return std::nullopt;
  DWORD code = 0;
  if (!::GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
  return code;
}

void Win32Process::Terminate() {
  if (!::TerminateProcess(process_.get(), ERROR_TIMEOUT)) {
    platform::TraceFailure(L"TerminateProcess", ::GetLastError());
    return;
  }
  // Termination completes asynchronously; the caller goes on only once it has.
  ::WaitForSingleObject(process_.get(), kTerminateWaitMs);
}

}  // namespace tarnwell::win32
