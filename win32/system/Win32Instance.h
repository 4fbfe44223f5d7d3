#pragma once
// One instance per machine, marked by a named mutex, and the running one's window raised.

#include <optional>
#include <string>

#include "app/system/Instance.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

// Two sessions must not work on the one system folder at once.
inline constexpr wchar_t kSingleInstanceName[] = L"Global\\TarnwellUpdate.SingleInstance";

class Win32Instance final : public Instance {
 public:
  // `instanceName` names the mutex that marks a running instance; tests pass their own.
  explicit Win32Instance(std::wstring instanceName = kSingleInstanceName)
      : instanceName_(std::move(instanceName)) {}

  bool PreviousInstanceRunning() override;
  bool RaiseRunningInstance() override;
  void EndProcess(int exitCode) override;

 private:
  std::wstring instanceName_;
  // Held for the process's lifetime: while it lives, later instances see this one.
  platform::KernelHandle instanceMutex_;
  std::optional<bool> previousInstance_;
};

}  // namespace tarnwell::win32
