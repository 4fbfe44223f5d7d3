#include "win32/system/Win32Holders.h"

#include <windows.h>
#include <psapi.h>
#include <restartmanager.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "platform/UniqueHandle.h"
#include "platform/WideText.h"

namespace tarnwell::win32 {
namespace {

using platform::FileHandle;

// A module snapshot fails with ERROR_BAD_LENGTH while the process is still loading modules.
constexpr int kSnapshotTries = 3;

bool SamePath(const std::wstring& a, const wchar_t* b) {
  return ::CompareStringOrdinal(a.c_str(), -1, b, -1, TRUE) == CSTR_EQUAL;
}

// The file's own path as the system resolves it (links, short names), without the "\\?\"
// prefix; "" when it cannot be opened.
std::wstring FinalPath(const std::wstring& path) {
  const FileHandle file(::CreateFileW(path.c_str(), 0,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!file) return {};
  std::wstring final(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetFinalPathNameByHandleW(
        file.get(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
    if (length == 0) return {};
    if (length < final.size()) {
      final.resize(length);
      break;
    }
    final.resize(length);
  }
  constexpr std::wstring_view kUnc = L"\\\\?\\UNC\\";
  constexpr std::wstring_view kLong = L"\\\\?\\";
  if (final.starts_with(kUnc)) return L"\\\\" + final.substr(kUnc.size());
  if (final.starts_with(kLong)) return final.substr(kLong.size());
  return final;
}

// The names the system gives an image of `path` mapped into a process: "\??\C:\..." (Wine) and
// "\Device\HarddiskVolume1\..." (Windows).
std::vector<std::wstring> MappedNames(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':') return {};
  std::vector<std::wstring> names{L"\\??\\" + path};
  std::wstring device(MAX_PATH, L'\0');
  const std::wstring drive = path.substr(0, 2);
  if (::QueryDosDeviceW(drive.c_str(), device.data(), static_cast<DWORD>(device.size())) != 0) {
    names.push_back(device.c_str() + path.substr(2));
  }
  return names;
}

// Whether an image named one of `names` is mapped into the process, walking its address space.
// Slower than its module list, but the system names the images itself: nothing of the other
// process's memory is read.
bool HasMapped(DWORD processId, const std::vector<std::wstring>& names) {
  const platform::KernelHandle process(
      ::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process || names.empty()) return false;
  MEMORY_BASIC_INFORMATION region{};
  std::wstring mapped(MAX_PATH * 2, L'\0');
  for (std::uintptr_t at = 0; ::VirtualQueryEx(process.get(), reinterpret_cast<void*>(at), &region,
                                               sizeof region) == sizeof region;) {
    if (region.Type == MEM_IMAGE && region.AllocationBase == region.BaseAddress &&
        ::K32GetMappedFileNameW(process.get(), region.BaseAddress, mapped.data(),
                                static_cast<DWORD>(mapped.size())) != 0) {
      for (const std::wstring& name : names) {
        if (SamePath(name, mapped.c_str())) return true;
      }
    }
    const auto next = reinterpret_cast<std::uintptr_t>(region.BaseAddress) + region.RegionSize;
    if (next <= at) break;
    at = next;
  }
  return false;
}

bool HasLoaded(DWORD processId, const std::vector<std::wstring>& paths) {
  FileHandle modules;
  DWORD error = ERROR_SUCCESS;
  for (int i = 0; i < kSnapshotTries && !modules; ++i) {
    modules.reset(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, processId));
    error = modules ? ERROR_SUCCESS : ::GetLastError();
    if (error != ERROR_BAD_LENGTH) break;
  }
  if (!modules) {
    if (error == ERROR_ACCESS_DENIED) return false;
    // Its module list cannot be read from here (a process of the other width on Windows; every
    // other process to a 32-bit program under an emulator, error 998); its mapped images can.
    std::vector<std::wstring> names;
    for (const std::wstring& path : paths) {
      for (std::wstring& name : MappedNames(path)) names.push_back(std::move(name));
    }
    return HasMapped(processId, names);
  }
  MODULEENTRY32W module{};
  module.dwSize = sizeof module;
  for (BOOL more = ::Module32FirstW(modules.get(), &module); more;
       more = ::Module32NextW(modules.get(), &module)) {
    for (const std::wstring& path : paths) {
      if (SamePath(path, module.szExePath)) return true;
    }
  }
  return false;
}

// The executable's file name, from its full image path; `fallback` when it cannot be read.
std::string ImageName(DWORD processId, const wchar_t* fallback) {
  const platform::KernelHandle process(
      ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId));
  std::wstring image(MAX_PATH * 2, L'\0');
  DWORD size = static_cast<DWORD>(image.size());
  if (!process || !::QueryFullProcessImageNameW(process.get(), 0, image.data(), &size)) {
    return platform::Narrow(fallback);
  }
  image.resize(size);
  return platform::Narrow(image.substr(image.find_last_of(L'\\') + 1));
}

// A restart manager session, ended with its owner.
class RestartSession {
 public:
  RestartSession() {
    WCHAR key[CCH_RM_SESSION_KEY + 1] = {};
    error_ = ::RmStartSession(&handle_, 0, key);
  }
  ~RestartSession() {
    if (error_ == ERROR_SUCCESS) ::RmEndSession(handle_);
  }
  RestartSession(const RestartSession&) = delete;
  RestartSession& operator=(const RestartSession&) = delete;
  DWORD Error() const { return error_; }
  DWORD Handle() const { return handle_; }

 private:
  DWORD handle_ = 0;
  DWORD error_ = ERROR_INVALID_HANDLE;
};

}  // namespace

std::vector<Holder> Win32Holders::Of(const std::string& path,
                                     const std::vector<std::uint32_t>& notCounted) {
  std::vector<Holder> found;
  const std::wstring wide = platform::Widen(path);
  const FileHandle processes(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!processes) {
    report_.Trace("CreateToolhelp32Snapshot", ::GetLastError());
    return found;
  }
  // As given, and as the system resolves it, should a link or a short name lie on the way.
  std::vector<std::wstring> paths{wide};
  if (std::wstring final = FinalPath(wide); !final.empty() && !SamePath(final, wide.c_str())) {
    paths.push_back(std::move(final));
  }
  const DWORD self = ::GetCurrentProcessId();
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = ::Process32FirstW(processes.get(), &entry); more;
       more = ::Process32NextW(processes.get(), &entry)) {
    const DWORD id = entry.th32ProcessID;
    if (id == 0 || id == self ||
        std::find(notCounted.begin(), notCounted.end(), id) != notCounted.end()) {
      continue;
    }
    if (HasLoaded(id, paths)) found.push_back({platform::Narrow(entry.szExeFile), id});
  }
  return found;
}

std::vector<Holder> Win32Holders::Blocking(const std::string& path) {
  std::vector<Holder> found;
  const RestartSession session;
  if (session.Error() != ERROR_SUCCESS) {
    report_.Trace("RmStartSession", session.Error());
    return found;
  }
  const std::wstring wide = platform::Widen(path);
  LPCWSTR files[] = {wide.c_str()};
  if (::RmRegisterResources(session.Handle(), 1, files, 0, nullptr, 0, nullptr) != ERROR_SUCCESS) {
    return found;
  }
  std::vector<RM_PROCESS_INFO> listed;
  UINT needed = 0;
  UINT count = 0;
  DWORD reasons = 0;
  DWORD result = ::RmGetList(session.Handle(), &needed, &count, nullptr, &reasons);
  // The list may grow between the two calls.
  while (result == ERROR_MORE_DATA) {
    listed.resize(needed);
    count = needed;
    result = ::RmGetList(session.Handle(), &needed, &count, listed.data(), &reasons);
  }
  if (result != ERROR_SUCCESS) {
    report_.Trace("RmGetList", result);
    return found;
  }
  listed.resize(count);
  const DWORD self = ::GetCurrentProcessId();
  for (const RM_PROCESS_INFO& process : listed) {
    const DWORD id = process.Process.dwProcessId;
    if (id != self) found.push_back({ImageName(id, process.strAppName), id});
  }
  return found;
}

}  // namespace tarnwell::win32
