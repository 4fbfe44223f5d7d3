#include "tests/e2e/driver/WineHost.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/SystemProc.h"
#include "platform/UniqueHandle.h"
#include "platform/WideText.h"
#include "tests/e2e/driver/Waits.h"
#include "tests/support/Files.h"
#include "tests/support/Processes.h"

#ifndef TARNWELL_E2E_DRIVER_DIR
#error "TARNWELL_E2E_DRIVER_DIR must name the driver's source folder (a Unix path)"
#endif

namespace tarnwell::e2e {
namespace {

using platform::Narrow;
using platform::Widen;

// Copying the system folder (about half a gigabyte of Wine's own libraries) takes a second or
// two; a busy machine may take much longer.
constexpr DWORD kTmpfsTimeoutMs = 120000;

// Wine's kernel32 translates paths between the two worlds; on anything else the fallbacks apply.
using ToUnixFn = char*(CDECL*)(LPCWSTR);
using ToDosFn = WCHAR*(CDECL*)(LPCSTR);

// Whether a new file can be made in `folder` now. Each probe has a name of its own: a probe
// made just before the folder froze cannot be removed, and must not make the next one pass.
bool CanCreateIn(const std::wstring& folder) {
  static unsigned serial = 0;
  const std::wstring probe = folder + L"\\.tarnwell-probe-" +
                             std::to_wstring(GetCurrentProcessId()) + L"-" +
                             std::to_wstring(++serial);
  platform::FileHandle file(CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL | FILE_FLAG_DELETE_ON_CLOSE,
                                        nullptr));
  return static_cast<bool>(file);
}

void RemoveProbes(const std::wstring& folder) {
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::filesystem::path(folder), error))
    if (entry.path().filename().wstring().starts_with(L".tarnwell-probe-"))
      std::filesystem::remove(entry.path(), error);
}

bool SetImmutable(const std::wstring& folder, bool immutable) {
  if (!RunUnix("/usr/bin/chattr", std::wstring(immutable ? L"+i" : L"-i") + L" \"" +
                                      Widen(UnixPathOf(folder)) + L"\""))
    return false;
  const ULONGLONG deadline = GetTickCount64() + kSettleTimeoutMs;
  while (CanCreateIn(folder) == immutable)
    if (PollExpired(deadline)) return false;
  if (!immutable) RemoveProbes(folder);
  return true;
}

}  // namespace

bool SamePath(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

std::wstring WindowsPathOf(const std::string& unixPath) {
  if (auto toDos = platform::LoadedProc<ToDosFn>(L"kernel32.dll", "wine_get_dos_file_name")) {
    if (WCHAR* dos = toDos(unixPath.c_str())) {
      std::wstring path = dos;
      HeapFree(GetProcessHeap(), 0, dos);
      return path;
    }
  }
  std::wstring path = L"Z:" + Widen(unixPath);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

std::string UnixPathOf(const std::wstring& windowsPath) {
  if (auto toUnix = platform::LoadedProc<ToUnixFn>(L"kernel32.dll", "wine_get_unix_file_name")) {
    if (char* unixPath = toUnix(windowsPath.c_str())) {
      std::string path = unixPath;
      HeapFree(GetProcessHeap(), 0, unixPath);
      return path;
    }
  }
  std::string path = Narrow(windowsPath);
  if (path.size() >= 2 && (path[0] == 'Z' || path[0] == 'z') && path[1] == ':') path.erase(0, 2);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::wstring EnvironmentVariable(const wchar_t* name) {
  std::wstring value(32768, L'\0');
  const DWORD n = GetEnvironmentVariableW(name, value.data(), static_cast<DWORD>(value.size()));
  value.resize(n < value.size() ? n : 0);
  return value;
}

std::wstring SpecialFolder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  if (FAILED(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return {};
  std::wstring folder = path;
  if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return folder;
}

// Runs a Linux program from inside Wine. Wine starts it but hands back no waitable
// process, so callers judge the effect, not the exit.
bool RunUnix(const std::string& program, const std::wstring& arguments) {
  return tarnwell::testing::StartProcess(WindowsPathOf(program), arguments).has_value();
}

Freeze::Freeze(const std::wstring& folder) : folder_(folder) {
  active_ = SetImmutable(folder_, true);
}

// Undone even when freezing seemed to fail: chattr may have acted after the check gave up.
Freeze::~Freeze() {
  if (!SetImmutable(folder_, false))
    ADD_FAILURE() << "cannot make " << Narrow(folder_) << " writable again";
}

TmpfsOver::TmpfsOver(const std::wstring& folder) : folder_(folder) {
  const std::string status = Run(L"mount");
  active_ = status == "ok";
  unavailable_ = status.starts_with("unavailable");
  if (!active_) problem_ = status;
}

TmpfsOver::~TmpfsOver() {
  const std::string status = Run(L"unmount");
  if (status != "ok")
    ADD_FAILURE() << "cannot unmount the tmpfs over " << Narrow(folder_) << ": " << status;
}

bool TmpfsOver::LeaveFree(ULONGLONG bytes) {
  const std::string status = Run(L"leave-free", std::to_wstring(bytes));
  if (status != "ok") problem_ = status;
  return status == "ok";
}

std::string TmpfsOver::Run(const std::wstring& command, const std::wstring& argument) {
  static unsigned serial = 0;
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring status = std::wstring(temp) + L"tarnwell-tmpfs-" +
                              std::to_wstring(GetCurrentProcessId()) + L"-" +
                              std::to_wstring(++serial) + L".status";
  DeleteFileW(status.c_str());
  const auto quoted = [](const std::string& unixPath) { return L"\"" + Widen(unixPath) + L"\""; };
  std::wstring line = quoted(std::string(TARNWELL_E2E_DRIVER_DIR) + "/tmpfs-folder") + L" " +
                      command + L" " + quoted(UnixPathOf(folder_));
  if (!argument.empty()) line += L" " + argument;
  line += L" " + quoted(UnixPathOf(status));
  if (!RunUnix("/bin/bash", line)) return "failed: cannot start /bin/bash from inside Wine";
  std::optional<std::string> answer;
  const ULONGLONG deadline = GetTickCount64() + kTmpfsTimeoutMs;
  while (!(answer = tarnwell::testing::ReadTextFile(status)))
    if (PollExpired(deadline)) return "failed: the helper script did not answer";
  DeleteFileW(status.c_str());
  while (!answer->empty() && (answer->back() == '\n' || answer->back() == '\r')) answer->pop_back();
  return *answer;
}

std::optional<ULONGLONG> FreeBytesIn(const std::wstring& folder) {
  ULARGE_INTEGER free{};
  if (!GetDiskFreeSpaceExW((folder + L"\\").c_str(), &free, nullptr, nullptr)) return std::nullopt;
  return free.QuadPart;
}

}  // namespace tarnwell::e2e
