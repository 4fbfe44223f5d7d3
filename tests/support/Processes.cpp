#include "tests/support/Processes.h"

namespace tarnwell::testing {

std::optional<StartedProcess> StartProcess(const std::wstring& path, const std::wstring& arguments,
                                           const std::wstring& folder, DWORD flags) {
  std::wstring commandLine = L"\"" + path + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!::CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, flags, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    return std::nullopt;
  }
  return StartedProcess{platform::KernelHandle(info.hProcess), platform::KernelHandle(info.hThread),
                        info.dwProcessId};
}

}  // namespace tarnwell::testing
