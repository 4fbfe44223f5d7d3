#pragma once
// One instance per machine, marked by a mutex that an ordinary user cannot take first, and the
// running one's window raised.

#include <optional>
#include <string>

#include "app/system/Instance.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

// Two sessions must not work on the one system folder at once. The mutex lies in a private
// namespace whose boundary holds the Administrators group: only a process with administrator
// rights can create that namespace, so an ordinary user can neither create the mutex first nor
// open it. Where the system has no private namespaces (Wine 8), the mutex takes this
// machine-wide name instead, as it always did, and a trace says so; there a user who creates
// it first keeps every run from starting (exit code 4).
inline constexpr wchar_t kSingleInstanceName[] = L"Global\\TarnwellUpdate.SingleInstance";
// The namespace's name, and the name of its boundary.
inline constexpr wchar_t kInstanceNamespace[] = L"TarnwellUpdate";

// The handle of an open private namespace.
struct NamespaceTraits {
  using Value = HANDLE;
  static Value invalid() { return nullptr; }
  static void close(Value value);
};
using NamespaceHandle = platform::UniqueHandle<NamespaceTraits>;

class Win32Instance final : public Instance {
 public:
  // `instanceName` names the mutex that marks a running instance, as a machine-wide name; in
  // the private namespace it is the part after "Global\". Tests pass their own.
  explicit Win32Instance(std::wstring instanceName = kSingleInstanceName)
      : instanceName_(std::move(instanceName)) {}

  bool PreviousInstanceRunning() override;
  // Raises only a window whose process runs this program's own executable file: any program
  // can make a window of the same class and title.
  bool RaiseRunningInstance() override;
  void EndProcess(int exitCode) override;

  // Whether this instance's mutex lies in the private namespace (after PreviousInstanceRunning;
  // false where it fell back to the machine-wide name).
  bool InPrivateNamespace() const { return static_cast<bool>(namespace_); }

 private:
  // The mutex in the open namespace; false when it could not be made there.
  bool ClaimInNamespace(SECURITY_ATTRIBUTES* security);

  std::wstring instanceName_;
  // Held for the process's lifetime: while they live, later instances see this one. The
  // namespace goes once the last handle to it is closed.
  NamespaceHandle namespace_;
  platform::KernelHandle instanceMutex_;
  std::optional<bool> previousInstance_;
};

}  // namespace tarnwell::win32
