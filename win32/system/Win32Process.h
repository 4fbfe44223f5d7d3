#pragma once
// A process held by its handle, for the registration tool we start and the IDE we watch.

#include <windows.h>

#include "app/system/Process.h"
#include "platform/UniqueHandle.h"

namespace tarnwell::win32 {

class Win32Process final : public Process {
 public:
  explicit Win32Process(platform::KernelHandle process) : process_(std::move(process)) {}

  std::optional<std::uint32_t> ExitCode() override;
  NativeWaitable Waitable() const override {
    return reinterpret_cast<NativeWaitable>(process_.get());
  }
  std::uint32_t Id() const override { return ::GetProcessId(process_.get()); }
  void Terminate() override;

 private:
  platform::KernelHandle process_;
};

}  // namespace tarnwell::win32
