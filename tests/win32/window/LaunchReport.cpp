// A program for the launch tests to start: it writes what it was started with into
// launch-report.txt in its working folder (so the report's place proves that folder) and ends.
// Its command line carries nothing else, so it takes no orders; one "key=value" per line:
//   command          the command line as the process sees it
//   show             the show command it was given (-1 when none)
//   elevated         TokenElevation of its own token (0 or 1)
//   elevation-type   TokenElevationType (1 default, 2 full, 3 limited)
//   administrators   whether the Administrators group is enabled in its token (0 or 1)

#include <windows.h>

#include <array>
#include <string>

#include "platform/UniqueHandle.h"
#include "platform/WideText.h"

namespace {

std::wstring ElevationLines() {
  tarnwell::platform::KernelHandle token;
  if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put())) return {};
  TOKEN_ELEVATION elevation{};
  TOKEN_ELEVATION_TYPE type{};
  DWORD size = 0;
  std::wstring lines;
  if (::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) {
    lines += L"elevated=" + std::to_wstring(elevation.TokenIsElevated) + L"\n";
  }
  if (::GetTokenInformation(token.get(), TokenElevationType, &type, sizeof type, &size)) {
    lines += L"elevation-type=" + std::to_wstring(type) + L"\n";
  }
  std::array<BYTE, SECURITY_MAX_SID_SIZE> sid{};
  DWORD sidSize = sid.size();
  BOOL member = FALSE;
  if (::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid.data(), &sidSize) &&
      ::CheckTokenMembership(nullptr, sid.data(), &member)) {
    lines += L"administrators=" + std::to_wstring(member ? 1 : 0) + L"\n";
  }
  return lines;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  ::GetStartupInfoW(&startup);
  const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
  const std::wstring report = L"command=" + std::wstring(::GetCommandLineW()) + L"\nshow=" +
                              std::to_wstring(show) + L"\n" + ElevationLines();
  const std::string utf8 = tarnwell::platform::Narrow(report);

  const tarnwell::platform::FileHandle file(::CreateFileW(
      L"launch-report.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 1;
  DWORD written = 0;
  return ::WriteFile(file.get(), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr)
             ? 0
             : 2;
}
