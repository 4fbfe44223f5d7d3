#pragma once
// A process the program started or watches. Owning it keeps the process's identity valid.

#include <cstdint>
#include <optional>

#include "app/NativeHandles.h"

namespace tarnwell {

class Process {
 public:
  virtual ~Process() = default;
  // The exit code once the process has ended; nothing while it runs.
  virtual std::optional<std::uint32_t> ExitCode() = 0;
  // What a yield can wake on when the process ends; 0 when there is nothing.
  virtual NativeWaitable Waitable() const { return 0; }
  // The platform's process id; 0 when unknown.
  virtual std::uint32_t Id() const { return 0; }
  // Ends the process at once; for a tool that overran its time and must not act later.
  virtual void Terminate() = 0;
};

}  // namespace tarnwell
