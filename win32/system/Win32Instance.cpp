#include "win32/system/Win32Instance.h"

#include <sddl.h>

#include <string_view>

#include "platform/SystemProc.h"
#include "platform/Trace.h"
#include "platform/WindowContract.h"

namespace tarnwell::win32 {
namespace {

// Looked up at run time: Windows has them since Vista, Wine 8 exports none but the first (which
// answers nothing), and an import the loader cannot resolve would stop the program.
using CreateBoundaryDescriptorFn = HANDLE(WINAPI*)(LPCWSTR, ULONG);
using AddSidToBoundaryDescriptorFn = BOOL(WINAPI*)(HANDLE*, PSID);
using DeleteBoundaryDescriptorFn = VOID(WINAPI*)(HANDLE);
using CreatePrivateNamespaceFn = HANDLE(WINAPI*)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR);
using OpenPrivateNamespaceFn = HANDLE(WINAPI*)(LPVOID, LPCWSTR);
using ClosePrivateNamespaceFn = BOOLEAN(WINAPI*)(HANDLE, ULONG);

template <typename Fn>
Fn Kernel32(const char* name) {
  return platform::LoadedProc<Fn>(L"kernel32.dll", name);
}

// BUILTIN\Administrators, S-1-5-32-544, written out: no call is needed to make it.
struct AdministratorsSid {
  BYTE revision = SID_REVISION;
  BYTE subAuthorities = 2;
  SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
  DWORD subAuthority[2] = {SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS};
};

// A boundary descriptor, deleted when it goes.
class Boundary {
 public:
  Boundary() {
    const auto create = Kernel32<CreateBoundaryDescriptorFn>("CreateBoundaryDescriptorW");
    const auto add = Kernel32<AddSidToBoundaryDescriptorFn>("AddSIDToBoundaryDescriptor");
    if (!create || !add) return;
    boundary_ = create(kInstanceNamespace, 0);
    if (!boundary_) {
      platform::TraceFailure(L"CreateBoundaryDescriptorW", ::GetLastError());
      return;
    }
    AdministratorsSid administrators;
    if (!add(&boundary_, &administrators)) {
      platform::TraceFailure(L"AddSIDToBoundaryDescriptor", ::GetLastError());
      Delete();
    }
  }
  ~Boundary() { Delete(); }
  Boundary(const Boundary&) = delete;
  Boundary& operator=(const Boundary&) = delete;
  HANDLE get() const { return boundary_; }

 private:
  void Delete() {
    if (!boundary_) return;
    if (const auto free = Kernel32<DeleteBoundaryDescriptorFn>("DeleteBoundaryDescriptor")) {
      free(boundary_);
    }
    boundary_ = nullptr;
  }
  HANDLE boundary_ = nullptr;
};

// Only administrators and the system may open the namespace or what lies in it: an ordinary
// user who opened it could keep it alive and take the mutex between two runs.
class AdministratorsOnly {
 public:
  AdministratorsOnly() {
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:P(A;;GA;;;BA)(A;;GA;;;SY)", SDDL_REVISION_1, &descriptor_, nullptr)) {
      platform::TraceFailure(L"ConvertStringSecurityDescriptorToSecurityDescriptorW",
                             ::GetLastError());
    }
    attributes_.lpSecurityDescriptor = descriptor_;
  }
  ~AdministratorsOnly() { ::LocalFree(descriptor_); }
  AdministratorsOnly(const AdministratorsOnly&) = delete;
  AdministratorsOnly& operator=(const AdministratorsOnly&) = delete;
  bool Made() const { return descriptor_ != nullptr; }
  SECURITY_ATTRIBUTES* get() { return &attributes_; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{sizeof(SECURITY_ATTRIBUTES), nullptr, FALSE};
};

// Whether the system has private namespaces at all; traced where it has not.
bool PrivateNamespacesExist() {
  for (const char* name :
       {"CreateBoundaryDescriptorW", "AddSIDToBoundaryDescriptor", "CreatePrivateNamespaceW",
        "OpenPrivateNamespaceW", "ClosePrivateNamespace"}) {
    if (!Kernel32<void (*)()>(name)) {
      platform::TraceFailure(std::string_view(name), ERROR_PROC_NOT_FOUND, false);
      return false;
    }
  }
  return true;
}

// The program's private namespace, created or opened. Null where it cannot be had;
// `deniedToUs` tells that it exists but may not be opened: another administrator's process
// holds it, which can only be another instance.
NamespaceHandle OpenInstanceNamespace(SECURITY_ATTRIBUTES* security, bool& deniedToUs) {
  deniedToUs = false;
  const Boundary boundary;
  if (!boundary.get()) return {};
  const auto create = Kernel32<CreatePrivateNamespaceFn>("CreatePrivateNamespaceW");
  const auto open = Kernel32<OpenPrivateNamespaceFn>("OpenPrivateNamespaceW");
  // The namespace goes with the last handle to it, so it may vanish between the two calls.
  constexpr int kRounds = 3;
  for (int round = 0; round < kRounds; ++round) {
    if (NamespaceHandle created{create(security, boundary.get(), kInstanceNamespace)}) {
      return created;
    }
    DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS) {
      if (NamespaceHandle opened{open(boundary.get(), kInstanceNamespace)}) return opened;
      error = ::GetLastError();
      if (error == ERROR_ACCESS_DENIED) {
        deniedToUs = true;
        return {};
      }
      if (error == ERROR_PATH_NOT_FOUND || error == ERROR_FILE_NOT_FOUND) continue;
      platform::TraceFailure(L"OpenPrivateNamespaceW", error);
      return {};
    }
    // Without administrator rights, for one: the boundary lets no one else create it.
    platform::TraceFailure(L"CreatePrivateNamespaceW", error);
    return {};
  }
  return {};
}

// A mutex created or opened: whether another process had made it first.
bool MadeBefore(DWORD error) {
  // Access denied: the mutex exists, created by an instance running with other rights.
  return error == ERROR_ALREADY_EXISTS || error == ERROR_ACCESS_DENIED;
}

// The identity of a file: its volume and index, the same for every path to it.
struct FileIdentity {
  DWORD volume = 0, high = 0, low = 0;
  bool operator==(const FileIdentity&) const = default;
};

std::optional<FileIdentity> IdentityOf(const std::wstring& path) {
  const platform::FileHandle file(::CreateFileW(
      path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, 0, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (!file || !::GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

std::wstring ImageOf(HANDLE process) {
  std::wstring image(32768, L'\0');
  DWORD size = static_cast<DWORD>(image.size());
  if (!::QueryFullProcessImageNameW(process, 0, image.data(), &size)) return {};
  image.resize(size);
  return image;
}

// Whether process `id` runs the executable file `own` runs from.
bool RunsTheSameExecutable(DWORD id, const FileIdentity& own) {
  const platform::KernelHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  if (!process) return false;
  const std::wstring image = ImageOf(process.get());
  if (image.empty()) return false;
  const auto identity = IdentityOf(image);
  return identity && *identity == own;
}

// The running instance's window: ours by class and title, shown, another process's (this one
// may already have created its own, hidden), and that process runs this very program.
HWND RunningInstanceWindow() {
  const auto own = IdentityOf(ImageOf(::GetCurrentProcess()));
  if (!own) {
    platform::TraceFailure(L"GetFileInformationByHandle", ::GetLastError());
    return nullptr;
  }
  const DWORD self = ::GetCurrentProcessId();
  HWND window = nullptr;
  while ((window = ::FindWindowExW(nullptr, window, platform::kWindowClass,
                                   platform::kWindowTitle)) != nullptr) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != 0 && owner != self && ::IsWindowVisible(window) &&
        RunsTheSameExecutable(owner, *own)) {
      return window;
    }
  }
  return nullptr;
}

}  // namespace

void NamespaceTraits::close(Value value) {
  if (const auto close = Kernel32<ClosePrivateNamespaceFn>("ClosePrivateNamespace")) {
    close(value, 0);
  }
}

bool Win32Instance::PreviousInstanceRunning() {
  if (previousInstance_) return *previousInstance_;
  if (PrivateNamespacesExist()) {
    AdministratorsOnly security;
    bool deniedToUs = false;
    if (security.Made()) namespace_ = OpenInstanceNamespace(security.get(), deniedToUs);
    if (deniedToUs) {
      previousInstance_ = true;
      return true;
    }
    if (namespace_ && ClaimInNamespace(security.get())) return *previousInstance_;
    namespace_.reset();
  }
  // No private namespace here: the machine-wide name, as before.
  instanceMutex_.reset(::CreateMutexW(nullptr, FALSE, instanceName_.c_str()));
  previousInstance_ = MadeBefore(::GetLastError());
  return *previousInstance_;
}

bool Win32Instance::ClaimInNamespace(SECURITY_ATTRIBUTES* security) {
  // The same name the machine-wide mutex takes, after the namespace's.
  constexpr std::wstring_view kGlobal = L"Global\\";
  std::wstring_view name = instanceName_;
  if (name.starts_with(kGlobal)) name.remove_prefix(kGlobal.size());
  const std::wstring inside = std::wstring(kInstanceNamespace) + L"\\" + std::wstring(name);
  instanceMutex_.reset(::CreateMutexW(security, FALSE, inside.c_str()));
  const DWORD error = ::GetLastError();
  if (instanceMutex_ || error == ERROR_ACCESS_DENIED) {
    previousInstance_ = MadeBefore(error);
    return true;
  }
  platform::TraceFailure(L"CreateMutexW", error);
  return false;
}

bool Win32Instance::RaiseRunningInstance() {
  const HWND window = RunningInstanceWindow();
  if (!window) return false;
  DWORD owner = 0;
  ::GetWindowThreadProcessId(window, &owner);
  // The right to set the foreground lies with this process, which the user has just started
  // from the foreground. The running instance lost it when the user turned elsewhere, so an
  // AllowSetForegroundWindow of its own would hand on nothing. This process therefore hands
  // its right to the running one, whose own activation as it restores its window then counts,
  // and sets the foreground itself as well.
  ::AllowSetForegroundWindow(owner);
  // Posted, not sent: a running instance busy in its work must not keep this one from ending.
  if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
  if (!::SetForegroundWindow(window)) platform::TraceFailure(L"SetForegroundWindow", 0);
  return true;
}

void Win32Instance::EndProcess(int exitCode) { ::ExitProcess(static_cast<UINT>(exitCode)); }

}  // namespace tarnwell::win32
